// Recording to and reading from .31l files.
#include "doc/TubescanDoc.h"

void CTubescanDoc::AppendRecord() {
    // Recording is not built yet: nothing is written.
}
