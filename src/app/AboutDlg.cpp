#include "app/AboutDlg.h"

#include <cmath>
#include <numbers>

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

QPixmap PaintAboutPicture(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(QColor(8, 14, 32));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(size / 2.0, size / 2.0);
    const double radius = size * 0.42;

    // A sweep of echo from the head outwards, warm where the wall returns.
    for (int i = 0; i < 48; ++i) {
        const double angle = 360.0 * i / 48;
        const double wall = radius * (0.86 + 0.05 * std::cos(2 * angle * std::numbers::pi / 180));
        QLinearGradient beam(centre,
                             centre + QPointF(wall * std::cos(angle * std::numbers::pi / 180),
                                              -wall * std::sin(angle * std::numbers::pi / 180)));
        beam.setColorAt(0.0, QColor(10, 40, 90));
        beam.setColorAt(0.8, QColor(20, 110, 160));
        beam.setColorAt(1.0, QColor(250, 200, 40));
        QPainterPath wedge(centre);
        wedge.arcTo(QRectF(centre.x() - wall, centre.y() - wall, 2 * wall, 2 * wall), angle,
                    360.0 / 48 + 0.5);
        wedge.closeSubpath();
        p.fillPath(wedge, beam);
    }
    // The pipe's nominal wall and the head at its centre.
    p.setPen(QPen(QColor(230, 230, 230), std::max(1.0, size / 80.0), Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, radius, radius);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 200, 200));
    p.drawEllipse(centre, size / 30.0, size / 30.0);
    p.end();
    return pixmap;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Dialog100"));
    setWindowTitle(QStringLiteral("TubescanL..."));
    // 191 x 246 dialog units of the small dialog font; wider where the
    // version line needs it in this font.
    setMinimumSize(287, 400);

    auto* picture = new QLabel(this);
    picture->setPixmap(PaintAboutPicture(160));
    picture->setAlignment(Qt::AlignCenter);

    auto* group = new QGroupBox(this);
    auto* version = new QLabel(QString::fromLatin1(kVersionText), group);
    version->setObjectName(QStringLiteral("VersionText"));
    version->setAlignment(Qt::AlignCenter);
    auto* rights = new QLabel(QStringLiteral("Copyright (C) 2017\nAll rights reserved."), group);
    rights->setAlignment(Qt::AlignCenter);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(version);
    groupLayout->addWidget(rights);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    layout->addWidget(group);
    layout->addStretch();
    layout->addWidget(buttons);
}
