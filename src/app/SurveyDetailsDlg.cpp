#include "app/SurveyDetailsDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using survey::KeyRule;
using survey::KeyType;

namespace {

QString Q(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// The groups the dialog shows, by the first key of each (the table's order).
struct Group {
    const char* title;
    const char* firstKey;
};
constexpr Group kGroups[] = {
    {"Pipe and nodes", "pipe_reference"},
    {"Place and people", "location"},
    {"Inspection", "purpose"},
    {"The pipe", "shape"},
    {"Measurement", "water_temperature_c"},
    {"Where the pipe lies", "start_node_coordinates"},
};

} // namespace

SurveyDetailsDlg::SurveyDetailsDlg(const survey::SurveyDetails& details, Mode mode,
                                   const QString& sidecar, QWidget* parent)
    : QDialog(parent), m_details(details) {
    setObjectName("SurveyDetailsDlg");
    setWindowTitle("Survey Details");
    showMessage = [this](const QString& text) { ShowSetupMessage(this, text); };

    auto* top = new QVBoxLayout(this);
    if (mode == Mode::RecordingStart) {
        auto* why =
            new QLabel("Recording has started. The details a deliverable needs are not all given:\n"
                       "fill them in, or record without them (they can be added later).");
        why->setObjectName("survey_prompt");
        top->addWidget(why);
    }
    auto* columns = new QHBoxLayout;
    top->addLayout(columns);
    QVBoxLayout* column = nullptr;
    QFormLayout* form = nullptr;
    for (const KeyRule& rule : survey::SurveyKeyRules()) {
        for (int g = 0; g < int(std::size(kGroups)); ++g) {
            if (std::string_view(kGroups[g].firstKey) != rule.key) continue;
            // Three groups a column keeps the dialog on a 1024-line screen.
            if (g % 3 == 0) {
                column = new QVBoxLayout;
                columns->addLayout(column);
            }
            auto* box = new QGroupBox(kGroups[g].title);
            form = new QFormLayout(box);
            column->addWidget(box);
        }
        QString label = QString::fromUtf8(rule.label);
        if (rule.unit[0]) label += QString(" (%1)").arg(QString::fromUtf8(rule.unit));
        auto* caption = new QLabel(label + (rule.needed ? " *" : ""));
        if (rule.needed) {
            QFont bold = caption->font();
            bold.setBold(true);
            caption->setFont(bold);
            caption->setToolTip("A deliverable needs this");
        }
        QWidget* field = nullptr;
        if (rule.type == KeyType::Choice || rule.type == KeyType::Flag) {
            auto* combo = new QComboBox;
            combo->addItem(QString());
            if (rule.type == KeyType::Flag) {
                combo->addItem("true");
                combo->addItem("false");
            } else {
                for (const char* const* c = rule.choices; *c; ++c)
                    combo->addItem(*c);
            }
            field = combo;
        } else if (rule.multiline) {
            auto* text = new QPlainTextEdit;
            text->setTabChangesFocus(true);
            text->setFixedHeight(text->fontMetrics().lineSpacing() * 4 + 10);
            field = text;
        } else {
            auto* edit = new QLineEdit;
            if (rule.type == KeyType::Coordinates) edit->setPlaceholderText("x, y, z");
            field = edit;
        }
        field->setObjectName(QString("survey_") + rule.key);
        caption->setBuddy(field);
        form->addRow(caption, field);
        m_fields[rule.key] = field;
    }
    auto* note = new QLabel(
        "* needed for a deliverable. Date and time are taken from the recording." +
        (sidecar.isEmpty() ? QString("\nThe details are written when a recording starts.")
                           : QString("\nSaved to %1").arg(sidecar)));
    note->setObjectName("survey_note");
    note->setWordWrap(true);
    top->addWidget(note);

    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton(mode == Mode::RecordingStart ? "Save Details" : "OK",
                                         QDialogButtonBox::AcceptRole);
    ok->setObjectName("survey_ok");
    ok->setDefault(true);
    QPushButton* other =
        buttons->addButton(mode == Mode::RecordingStart ? "Record without details" : "Cancel",
                           QDialogButtonBox::RejectRole);
    other->setObjectName("survey_cancel");
    top->addWidget(buttons);
    connect(ok, &QPushButton::clicked, this, &SurveyDetailsDlg::OnOK);
    connect(other, &QPushButton::clicked, this, &QDialog::reject);
    Show(details);
}

QWidget* SurveyDetailsDlg::Field(const char* key) const {
    const auto it = m_fields.find(key);
    return it == m_fields.end() ? nullptr : it->second;
}

void SurveyDetailsDlg::Show(const survey::SurveyDetails& d) {
    for (const KeyRule& rule : survey::SurveyKeyRules()) {
        const QString text = Q(survey::KeyText(d, rule));
        QWidget* field = m_fields.at(rule.key);
        if (auto* combo = qobject_cast<QComboBox*>(field))
            combo->setCurrentIndex(std::max(0, combo->findText(text)));
        else if (auto* plain = qobject_cast<QPlainTextEdit*>(field))
            plain->setPlainText(text);
        else if (auto* edit = qobject_cast<QLineEdit*>(field)) {
            edit->setText(text);
            edit->setCursorPosition(0);
        }
    }
}

std::string SurveyDetailsDlg::FieldText(const KeyRule& rule) const {
    QWidget* field = m_fields.at(rule.key);
    QString text;
    if (auto* combo = qobject_cast<QComboBox*>(field))
        text = combo->currentText();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(field))
        text = plain->toPlainText();
    else if (auto* edit = qobject_cast<QLineEdit*>(field))
        text = edit->text();
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), std::size_t(utf8.size()));
}

void SurveyDetailsDlg::OnOK() {
    survey::SurveyDetails edited = m_details;
    for (const KeyRule& rule : survey::SurveyKeyRules()) {
        const std::string why = survey::SetKeyText(edited, rule, FieldText(rule));
        if (why.empty()) continue;
        QWidget* field = m_fields.at(rule.key);
        const QString text = QString("%1 %2.").arg(QString::fromUtf8(rule.label), Q(why));
        if (auto* edit = qobject_cast<QLineEdit*>(field)) {
            Refuse(showMessage, text, edit);
        } else {
            if (showMessage) showMessage(text);
            field->setFocus();
        }
        return;
    }
    m_details = std::move(edited);
    accept();
}
