// The mini settings bar: one row under the tool bar with range, gain, sector,
// train and the fixed speed and mode texts.
#pragma once

#include <QWidget>

#include "app/ParameterRow.h"

class CTubescanDoc;

class CMiniSettingsBar : public QWidget {
    Q_OBJECT
  public:
    CMiniSettingsBar(CTubescanDoc& doc, QWidget* parent);

    // Rewrites every control from the document (also while hidden).
    void Refresh();

    ParameterRow m_range, m_gain, m_sector, m_train, m_speed, m_mode;

  private:
    CTubescanDoc& m_doc;
};
