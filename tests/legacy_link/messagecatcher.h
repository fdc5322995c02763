#pragma once

// Catches the legacy forms' message boxes for the tests.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

/// Closes every modal message box once it shows and keeps what it said.
class MessageCatcher : public QObject
{
public:
    MessageCatcher()
    {
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            title = box->windowTitle();
            text = box->text();
            texts.append(text);
            buttons.clear();
            for (QAbstractButton *b : box->buttons())
                buttons.append(b->text());
            box->reject();
        });
        poll->start(10);
    }
    /// Title, text and buttons of the last box.
    QString title;
    QString text;
    QStringList buttons;
    /// The text of every box, in order.
    QStringList texts;
};
