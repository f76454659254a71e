// File > Survey Details...: every key of a survey's details in one dialog,
// built from the key rules (format/SurveyDetails.h), so it accepts exactly
// what the file keeps and the converter reads. The keys a deliverable needs
// are marked. Opened when a recording starts without them, it offers
// "Record without details" instead of Cancel: the recording goes on either way.
#pragma once

#include <map>
#include <string>

#include <QDialog>

#include "app/SetupDialogSupport.h"
#include "format/SurveyDetails.h"

class QLabel;

class SurveyDetailsDlg : public QDialog {
    Q_OBJECT
  public:
    enum class Mode { Edit, RecordingStart };
    // sidecar: the file the details go to ("" when there is none yet).
    SurveyDetailsDlg(const survey::SurveyDetails& details, Mode mode, const QString& sidecar,
                     QWidget* parent);

    // The details as accepted (unknown keys and the calibration kept from
    // what the dialog was given).
    const survey::SurveyDetails& Details() const { return m_details; }
    // The field of a key (object name "survey_" + key): a QLineEdit, a
    // QComboBox or, for the remarks, a QPlainTextEdit.
    QWidget* Field(const char* key) const;
    // Refusals go here (a modal box unless replaced).
    MessageSink showMessage;

    // Reads every field through the rules; refuses (and keeps the dialog
    // open) at the first one they do not accept.
    void OnOK();

  private:
    void Show(const survey::SurveyDetails& d);
    std::string FieldText(const survey::KeyRule& rule) const;

    survey::SurveyDetails m_details;
    std::map<std::string, QWidget*> m_fields;
};
