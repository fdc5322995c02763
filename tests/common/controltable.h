#pragma once

// A table of a legacy form's controls: the parent each sits in, its place in twips and the
// text it shows. The test's _data function calls addColumns() and row(); the test function
// builds the form and calls verifyRow().

#include "twips.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace controltable
{

inline void addColumns()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("twipRect");
    QTest::addColumn<QString>("text");
}

inline void row(const char *name, const char *parent, int left, int top, int width, int height,
                const QString &text)
{
    QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(parent)
                        << QRect(left, top, width, height) << text;
}

/// What a control shows: a caption, a title, a field's or a list's current text.
inline QString textOf(const QWidget *w)
{
    if (const auto *l = qobject_cast<const QLabel *>(w))
        return l->text();
    if (const auto *b = qobject_cast<const QAbstractButton *>(w))
        return b->text();
    if (const auto *e = qobject_cast<const QLineEdit *>(w))
        return e->text();
    if (const auto *g = qobject_cast<const QGroupBox *>(w))
        return g->title();
    if (const auto *c = qobject_cast<const QComboBox *>(w))
        return c->currentText();
    return {};
}

/// Checks the current row's control in `form`.
inline void verifyRow(const QWidget &form)
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, twipRect);
    QFETCH(QString, text);
    const QWidget *w = form.findChild<const QWidget *>(name);
    QVERIFY(w);
    QCOMPARE(w->parentWidget()->objectName(), parent);
    const double dpi = twips::dpiOf(&form);
    QCOMPARE(w->geometry(),
             twips::rect(twipRect.x(), twipRect.y(), twipRect.width(), twipRect.height(), dpi));
    QCOMPARE(textOf(w), text);
}

} // namespace controltable
