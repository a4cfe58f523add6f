# Sound made from the sample bit texts by minimodem, a general-purpose soft modem that shares
# nothing with this project: sent as raw bits (no start or stop bits, first bit of each byte
# in the lowest place), 1200 Hz for "1", 1800 Hz for "0", at 1200 bit/s. Demodulated with the
# polarity forced to normal, the bits must decode to the very report of the bit text, so the
# demodulator cannot agree with the project's own modulator on a wrong bit order, tone mapping
# or phase. The modem gives every bit a whole number of samples, so the rates are chosen where
# that is exact, or (44.1 kHz: 37 samples for 36.75) within the clock error a recording may have.
include(${CMAKE_CURRENT_LIST_DIR}/demod_checks.cmake)

foreach(case two-calls:48000 status-messages:9600 gps-positions:44100 text-message:24000)
    string(REPLACE ":" ";" case "${case}")
    list(GET case 0 name)
    list(GET case 1 rate)
    run_clean(pack KEEP_OUTPUT INPUT "${SAMPLES}/${name}.txt" COMMAND "${PACK_BITS}")
    run_clean(tx INPUT "${WORK}/pack.out" COMMAND minimodem --tx 1200 --mark 1200 --space 1800
              --startbits 0 --stopbits 0 -8 -R ${rate} -f "${WORK}/${name}-bare.wav")
    # Silence around it, as around any transmission.
    run_clean(pad COMMAND sox "${WORK}/${name}-bare.wav" "${WORK}/${name}.wav" pad 0.4 0.4)
    run_clean(demod KEEP_OUTPUT COMMAND "${DEMOD}" --invert no "${name}.wav")
    expect_bit_text("${WORK}/demod.out" hex)
    expect_same_report("${WORK}/demod.out" "${SAMPLES}/${name}.txt" "${name} at ${rate} Hz")
endforeach()
