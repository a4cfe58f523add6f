# fish completion for vantrel-demod: options, their values and the audio file.
complete -c vantrel-demod -l raw -d 'Raw signed 16-bit little-endian samples'
complete -c vantrel-demod -l rate -x -a '8000 11025 16000 22050 44100 48000' -d 'Sample rate of raw audio or of the sound card'
complete -c vantrel-demod -l device -x -a '(pactl list short sources 2>/dev/null | cut -f2)' -d 'Record a sound card'
complete -c vantrel-demod -l channel -x -d 'Channel to demodulate, from 1'
complete -c vantrel-demod -l invert -x -a 'auto yes no' -d 'Polarity of the signal'
complete -c vantrel-demod -l start-time -x -d 'When the recording began'
complete -c vantrel-demod -s h -l help -d 'Print a short usage text'
complete -c vantrel-demod -s V -l version -d 'Print the version'
