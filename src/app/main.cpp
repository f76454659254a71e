// The TubescanL program. The main window arrives with the program's own work;
// until then the executable reports what it is and which core it carries.
#include <cstdio>

#include "link/HeadProtocol.h"

int main() {
    std::printf("tubescan: the main window is not built yet (head command of %zu bytes, "
                "return record of %zu bytes supported by the core).\n",
                headproto::kCommandSize, headproto::kReturnRecordSize);
    return 1;
}
