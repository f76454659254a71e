// The settings panel: a floating window showing range, gain, sector, train and
// the profile display mode, each with a spin that steps it.
#pragma once

#include "app/ModelessWindow.h"
#include "app/ParameterRow.h"

class CSettingsPanel : public CModelessWindow {
    Q_OBJECT
  public:
    CSettingsPanel(CTubescanDoc& doc, QWidget* mainFrame);

    // Rewrites every control from the document.
    void Refresh();

    ParameterRow m_range, m_gain, m_sector, m_train, m_profile;
};
