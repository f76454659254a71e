// Profile points to the .xyz file and the UDP outputs.
#include "doc/TubescanDoc.h"

void CTubescanDoc::EmitProfilePoint(double distance, double bearing) {
    // The XYZ and UDP outputs are not built yet.
    (void)distance;
    (void)bearing;
}
