// A label, a read-only edit and a spin without buddy: one row of the settings
// panel and one group of the mini settings bar.
#pragma once

#include <QString>

class CSpinDelta;
class CTubescanDoc;
class QObject;
class QGridLayout;
class QLabel;
class QLineEdit;
class QWidget;

struct ParameterRow {
    QLabel* label = nullptr;
    QLineEdit* edit = nullptr;
    CSpinDelta* spin = nullptr;

    // Creates the three controls in layout at (row, column..column+2), with the
    // resource ids as object names so tests and scripts can find them.
    static ParameterRow Create(QWidget* parent, QGridLayout* layout, int row, int column,
                               const QString& labelText, int editId, int spinId);
    void Show(const std::string& text, int low, int high, int position);
};

// The range, gain, sector and train spins step the document the same way on
// the settings panel and on the mini bar.
void ConnectSonarSpins(QObject* owner, CTubescanDoc& doc, ParameterRow& range, ParameterRow& gain,
                       ParameterRow& sector, ParameterRow& train);
