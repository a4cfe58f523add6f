// The signalling decoder: turns a bit string of "0"/"1" characters into decoded blocks.
// Standard library only; it never touches a file or a window.
#pragma once

#include "bit_fields.h"       // BitsToLong, CheckCodeword, TakeDigit, BlockLog
#include "block_decoder.h"    // BlockInfo, DecodeStream
#include "code_tables.h"      // OpModeText, FunctionText, CountryText
#include "nmea.h"             // NmeaChecksumOk, NmeaToMapLink, MapViewerBase
#include "short_data.h"       // ShortDataStep
#include "signalling_score.h" // SignallingScore
#include "stream_decoder.h"   // StreamDecoder, SyncCounter
#include "sync_search.h"      // SyncNoFec, SyncFec
