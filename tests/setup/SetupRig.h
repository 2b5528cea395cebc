// The program with the setup dialog opened from the main window's menu, and
// a user's steps on its controls, for the setup tests.
#pragma once

#include "ProgramRig.h"
#include "setup/frmBSetup.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

#include <span>

inline QByteArray hex(const char* h) {
    return QByteArray::fromHex(h);
}

// Fails when a named control of area is too narrow, outside its frame or clipped.
inline void checkReadable(QWidget* window, QWidget* area, const QString& where) {
    for (QWidget* c : area->findChildren<QWidget*>()) {
        if (c->isWindow() || !c->isVisibleTo(window) || c->objectName().isEmpty())
            continue;
        const QString what = c->objectName() + " " + where;
        QVERIFY2(c->width() >= c->minimumSizeHint().width(), qPrintable(what));
        QVERIFY2(c->parentWidget()->rect().contains(c->geometry()), qPrintable(what));
        if (auto* box = qobject_cast<QLineEdit*>(c))
            QVERIFY2(box->fontMetrics().horizontalAdvance(box->text()) <
                         box->contentsRect().width(),
                     qPrintable(what + " " + box->text()));
    }
}

// One row of a settings table: the user's steps (';' between), the bytes
// written after the first step, the prompts shown, what the controls show
// ("control=text", '|' between) and how the meter starts.
struct SettingsRow {
    const char* name;
    const char* steps;
    QByteArray wire;
    QStringList prompts = {};
    const char* shown = "";
    const char* start = "";
};

// The columns steps, start, wire, prompts and shown, filled from rows.
inline void settingsTable(std::span<const SettingsRow> rows) {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QStringList>("prompts");
    QTest::addColumn<QString>("shown");
    for (const SettingsRow& r : rows)
        QTest::newRow(r.name) << QString(r.steps) << QString(r.start) << r.wire << r.prompts
                              << QString(r.shown);
}

struct SetupRig : ProgramRig {
    explicit SetupRig(int unitType = 5) { model.state().unitType = unitType; }
    // Start-up, then Setup > Unit Setup and the tick that opens the dialog.
    frmBSetup& open() {
        w.Form_Load();
        tick();
        tick();
        w.findChild<QAction*>("mnusetup")->trigger();
        tick();
        sent();
        return *w.setupDialog();
    }
    // A control of the dialog, or of window in.
    template <typename T = QWidget> T* get(const QString& name, QWidget* in = nullptr) {
        T* widget = (in ? in : w.setupDialog())->findChild<T*>(name);
        if (!widget)
            qFatal("no control %s", qPrintable(name));
        return widget;
    }
    // One user's step: "type NAME TEXT", "pick NAME INDEX", "click NAME",
    // "release NAME" (the mouse button over it), "page INDEX", "tick".
    void act(const QString& step, QWidget* in = nullptr) {
        const QStringList word = step.split(' ');
        if (word[0] == "type") {
            auto* box = get<QLineEdit>(word[1], in);
            box->clear();
            QTest::keyClicks(box, step.section(' ', 2));
            QTest::keyClick(box, Qt::Key_Return);
        } else if (word[0] == "pick") {
            auto* list = get<QComboBox>(word[1], in);
            list->setCurrentIndex(word[2].toInt());
            emit list->activated(word[2].toInt());
        } else if (word[0] == "click") {
            get<QAbstractButton>(word[1], in)->click();
        } else if (word[0] == "release") {
            QTest::mouseRelease(get(word[1], in), Qt::LeftButton);
        } else if (word[0] == "page") {
            get<QTabWidget>("SSTab1")->setCurrentIndex(word[1].toInt());
        } else if (word[0] == "tick") {
            tick();
        }
    }
    // Steps separated by ";".
    void acts(const QString& steps, QWidget* in = nullptr) {
        for (const QString& step : steps.split(';', Qt::SkipEmptyParts))
            act(step, in);
    }
    // What a control shows: text, list entry, or whether a button is checked.
    QString shows(const QString& name) {
        QWidget* c = get(name);
        if (auto* box = qobject_cast<QLineEdit*>(c))
            return box->text().trimmed();
        if (auto* list = qobject_cast<QComboBox*>(c))
            return list->currentText();
        if (auto* label = qobject_cast<QLabel*>(c))
            return label->text();
        return static_cast<QAbstractButton*>(c)->isChecked() ? "checked" : "clear";
    }
};
