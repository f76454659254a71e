#include "app/HelpDlg.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QTreeWidget>

namespace {

constexpr const char* kRule = "------------------------------";

struct HelpRow {
    const char* command;
    const char* key;
    const char* description;
};

// The texts are the program's own, spelling included; they describe the
// keys as shipped, not as the settings may have changed them.
constexpr HelpRow kRows[] = {
    {"Default IP:", "", "192.168.0.5"},
    {"Default Orientation Input COM Port:", "", "COM3 (38400, N, 8, 1)"},
    {"", "", ""},
    {"", "", kRule},
    {"Range Decrease", "F1", "Decrease the Operating Range"},
    {"Range Increase", "F2", "Increase the Operating Range"},
    {"Gain Decrease", "F3", "Decrease the Gain by 1 dB"},
    {"Gain Increase", "F4", "Increase the Gain by 1 dB"},
    {"Circle Diameter Dec", "F5", "Decrease Circle Diameter 0.01 m"},
    {"Circle Diameter Inc", "F6", "Inccrease Circle Diameter 0.01 m"},
    {"", "", ""},
    {"", "", kRule},
    {"Hold", "h", "Operation Held."},
    {"Clear", "c", "Clear Image."},
    {"Zoom", "z", "Zoom Image."},
    {"Reverse", "Space", "Reverse Scan Direction."},
    {"Move Shape Overlay", "m", "Select/Deselect Move Shape Overlay"},
    {"", "", ""},
    {"", "", kRule},
    {"Key In Range", "r", "Keyboard entry for Range"},
    {"", "", "Entries: 0.125, 0.25, 0.50, 0.75, 1, 2, 3, 4, 5, 6 in meters"},
    {"", "", ""},
    {"Key In Gain", "g", "Keyboard entry for Gain"},
    {"", "", "Entries: 1 - 40 with increment of 1"},
    {"", "", ""},
    {"Key In Sector Width", "s", "Keyboard entry for Sector Width"},
    {"", "", "Entries: 0 - 360 with increment of 9 degrees."},
    {"", "", ""},
    {"Key In Train Angle", "t", "Keyboard entry for Train Angle"},
    {"", "", "Entries: 0 - 351 with increment of 9 degrees."},
    {"", "", ""},
    {"", "", kRule},
    {"Move Cursor Up", "Up", "Move Cursor/Circle up one pixel"},
    {"Move Cursor Down", "Down", "Move Cursor/Circle down one pixel"},
    {"Move Cursor Right", "Right", "Move Cursor/Circle right one pixel"},
    {"Move Cursor Left", "Left", "Move Cursor/Circle left one pixel"},
    {"", "", ""},
    {"", "", kRule},
    {"Mouse LButton Drag", "", "Move Sonar Image"},
};

constexpr int kCommandWidth = 130;
constexpr int kKeyWidth = 70;

bool IsSonarKey(int key) {
    return key >= Qt::Key_F1 && key <= Qt::Key_F6;
}

bool IsScrollKey(int key) {
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

} // namespace

CHelpDlg::CHelpDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Dialog135"));
    setWindowTitle(QStringLiteral("Hot Keys..."));
    setSizeGripEnabled(true);
    // 408 x 350 dialog units of the small dialog font.
    resize(612, 569);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("1039"));
    m_list->installEventFilter(this);
    OnInitDialog();
}

void CHelpDlg::OnInitDialog() {
    m_list->setColumnCount(3);
    m_list->setHeaderLabels(
        {QStringLiteral("Command"), QStringLiteral("Hot Key"), QStringLiteral("Discription")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list->setGeometry(rect());
    m_list->setColumnWidth(0, kCommandWidth);
    m_list->setColumnWidth(1, kKeyWidth);
    m_list->setColumnWidth(2, width() - kCommandWidth - kKeyWidth - 5);
    QList<QTreeWidgetItem*> items;
    for (const HelpRow& row : kRows)
        items << new QTreeWidgetItem(QStringList{QString::fromLatin1(row.command),
                                                 QString::fromLatin1(row.key),
                                                 QString::fromLatin1(row.description)});
    m_list->addTopLevelItems(items);
}

void CHelpDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const QSize client = event->size();
    if (client.isEmpty() || !m_list) return;
    m_list->setGeometry(0, 0, client.width(), client.height());
    // The description takes whatever the operator left to it, after the
    // first two columns as they are now.
    m_list->setColumnWidth(2, client.width() - m_list->columnWidth(0) - m_list->columnWidth(1) - 5);
}

bool CHelpDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list &&
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // F1-F6 would step the sonar behind this modal window: swallowed,
        // whether a shortcut wants them or not.
        if (IsSonarKey(key)) {
            event->accept();
            return true;
        }
        // The arrow and page keys scroll the list, not the cursor or circle.
        if (event->type() == QEvent::ShortcutOverride && IsScrollKey(key)) {
            event->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
