// The range scale of this session written into the survey details beside
// each new recording: the water temperature the speed came from and the ring
// check the operator accepted, other details in the file kept.
#pragma once

#include "doc/TubescanDoc.h"

class ScaleSidecar : public AttachedObserver {
  public:
    explicit ScaleSidecar(CTubescanDoc& doc) : AttachedObserver(doc), m_doc(doc) {}
    void OnRecordingStarted(const std::string& path) override;

  private:
    CTubescanDoc& m_doc;
};
