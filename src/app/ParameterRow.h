// A label, a read-only edit and a spin without buddy: one row of the settings
// panel and one group of the mini settings bar.
#pragma once

#include <QString>

class CSpinDelta;
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
