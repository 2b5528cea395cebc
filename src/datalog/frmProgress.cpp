#include "frmProgress.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

frmProgress::frmProgress(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmProgress"));
    setModal(false);

    Frame1_ = new QGroupBox(this);
    Frame1_->setObjectName(QStringLiteral("Frame1"));

    ProgressBar1_ = new QProgressBar(Frame1_);
    ProgressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1_->setRange(0, 100);
    ProgressBar1_->setValue(0);
    // Text1 carries the figure, with its decimal.
    ProgressBar1_->setTextVisible(false);
    ProgressBar1_->setMinimumWidth(240);

    Text1_ = new QLineEdit(Frame1_);
    Text1_->setObjectName(QStringLiteral("Text1"));
    Text1_->setReadOnly(true);
    Text1_->setAlignment(Qt::AlignCenter);
    Text1_->setMaximumWidth(90);

    cmdCancel_ = new QPushButton(QStringLiteral("Cancel"), Frame1_);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

    auto* row = new QHBoxLayout;
    row->addWidget(Text1_);
    row->addStretch(1);
    row->addWidget(cmdCancel_);

    auto* frameLayout = new QVBoxLayout(Frame1_);
    frameLayout->addWidget(ProgressBar1_);
    frameLayout->addLayout(row);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1_);
}

void frmProgress::Init(const QString& caption) {
    CancelRequested = false;
    cmdCancel_->setText(QStringLiteral("Cancel"));
    setWindowTitle(caption);
    ProgressBar1_->setValue(0);
    Text1_->clear();
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + area.width() / 2 - width() / 2,
             area.y() + area.height() / 2 - height() / 2);
    }
    show();
}

void frmProgress::SetProg(float& percent) {
    if (percent >= 100.0f)
        percent = 99.0f;
    // Truncated, like the text, so that 99.9 still shows as 99.
    ProgressBar1_->setValue(std::clamp(static_cast<int>(percent), 0, 99));
    // Tenths computed in single precision, as the value is held: 0.7 gives 7.
    const float tenths = std::floor(percent * 10.0f);
    Text1_->setText(QString::number(static_cast<double>(tenths) / 10.0, 'g', 15) +
                    QStringLiteral(" %"));
}

void frmProgress::Done() {
    // Hidden, not closed: closing by the user is what counts as Cancel.
    hide();
    CancelRequested = false;
}

void frmProgress::reject() {
    CancelRequested = true;
    QDialog::reject();
}

void frmProgress::setCancelCaption(const QString& caption) {
    cmdCancel_->setText(caption);
}

void frmProgress::cmdCancel_Click() {
    CancelRequested = true;
}
