#include "app/SoundVelocityDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QPushButton>

#include <cmath>
#include <optional>

#include "analysis/SoundSpeed.h"
#include "app/ValueDlg.h"
#include "app/WaterTemperatureDlg.h"
#include "doc/DialogRules.h"
#include "doc/TubescanDoc.h"

void RunSoundVelocityDialog(CTubescanDoc& doc, QWidget* mainFrame) {
    CValueDlg dialog(dlg::kSoundVelocityRules, &doc, mainFrame);
    QGridLayout* grid = dialog.Grid();
    const int row = grid->rowCount();
    auto* fromWater = new QPushButton(QStringLiteral("From water temperature..."), &dialog);
    fromWater->setObjectName(QStringLiteral("FromWaterTemperature"));
    fromWater->setAutoDefault(false);
    grid->addWidget(fromWater, row, 0, 1, 4);
    QCheckBox* toRecording = nullptr;
    if (doc.Run().m_playback == 1) {
        toRecording = new QCheckBox(QStringLiteral("Apply to this recording"), &dialog);
        toRecording->setObjectName(QStringLiteral("ApplyToRecording"));
        toRecording->setToolTip(QStringLiteral(
            "Play the recording again from its start at this speed, so every figure of it "
            "is on the one scale"));
        grid->addWidget(toRecording, row + 1, 0, 1, 4);
    }

    // The water the value came from, while the value is still that water's.
    struct Water {
        double temperature, salinity, speed;
    };
    std::optional<Water> water;
    QObject::connect(fromWater, &QPushButton::clicked, &dialog, [&] {
        const SurveyScale& scale = doc.Scale();
        CWaterTemperatureDlg ask(&dialog, scale.waterTemperatureC.value_or(10.0));
        if (ask.exec() != QDialog::Accepted) return;
        const double speed = std::round(ask.Speed() * 10.0) / 10.0;
        if (!analysis::IsAcceptedSoundSpeed(speed)) return;
        water = Water{ask.TemperatureC(), ask.SalinityPsu(), speed};
        dialog.SetValue(speed);
    });
    if (dialog.exec() != QDialog::Accepted) return;
    const double value = dialog.Value();
    if (water && std::fabs(value - water->speed) < 0.05)
        doc.SetSpeedFromWater(water->temperature, water->salinity);
    else
        doc.SetSpeedByHand(value);
    if (toRecording && toRecording->isChecked()) doc.ReplayAtCurrentSpeed();
    doc.UpdateAllViews();
}
