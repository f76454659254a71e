// Where the ".31l" record meets the document: the record of the document's
// current ping, and a read record's settings put back into the document.
#pragma once

#include "doc/TubescanDoc.h"
#include "format/RecordFormat.h"

namespace record {

// The fields of the document's current ping as a record carries them.
RecordFields RecordFieldsOf(const CTubescanDoc& doc);
// The record of the document's current ping, byte for byte.
Record BuildRecord(const CTubescanDoc& doc);

// Puts the recorded settings into the document where a live ping would have
// put them: the head command bytes, the mode flags, the range, the time stamp
// texts and the orientation values. The length, file position and return
// header are the reader's business.
void ApplySettings(CTubescanDoc& doc, const RecordSettings& settings);

} // namespace record
