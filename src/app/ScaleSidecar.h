// The range scale of this session written into the survey details beside
// each new recording: the water temperature the speed came from and the ring
// check the operator accepted, other details in the file kept.
#pragma once

class CTubescanDoc;

void InstallScaleSidecar(CTubescanDoc& doc);
