// Pieces the setup dialogs share: where they open, how they tell the operator
// what was refused, and the row of a value with its arrows.
#pragma once

#include <functional>

#include <QString>

class CSpinDelta;
class QDialog;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QWidget;

// Right edge 6 pixels left of the main frame's right edge, top 90 pixels
// below its top (outer edges); the dialog keeps its size.
void PlaceNearFrameTopRight(QWidget* dialog, const QWidget* mainFrame);

// A modal message box with the program's title, parented to `parent`.
void ShowSetupMessage(QWidget* parent, const QString& text);
using MessageSink = std::function<void(const QString&)>;
// Tells why the text was refused and puts the cursor back on it, selected,
// ready to be typed over.
void Refuse(const MessageSink& sink, const QString& text, QLineEdit* edit);

// Label, edit (object name editId), unit text and a spin (object name spinId)
// in one row of the grid.
struct ValueRow {
    QLineEdit* edit = nullptr;
    CSpinDelta* spin = nullptr;
};
ValueRow AddValueRow(QDialog* dialog, QGridLayout* grid, int row, const QString& label, int editId,
                     const QString& unit, int spinId);

// A push button with its control id as object name.
QPushButton* AddButton(QDialog* dialog, const QString& text, int id);

// The OK (1, the default), Cancel (2) and Default (23) buttons of a
// one-value dialog, laid out in `row` of the grid.
struct ValueButtons {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* byDefault = nullptr;
};
ValueButtons AddValueButtons(QDialog* dialog, QGridLayout* grid, int row);
