#pragma once

// Answers the modal dialogs a slot opens, from inside their own event loops, so tests drive the
// real message boxes and file dialog without a person.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QTimer>

#include <functional>

/// What a dialog showed before it was answered.
struct SeenDialog {
    QString className;
    QString title;
    QString text; ///< message box text
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons; ///< message box buttons
    QString suggestedFile;                ///< file dialog: the file name it offered
    QStringList nameFilters;              ///< file dialog
};

class ModalDriver : public QObject
{
public:
    using Answer = std::function<void(QWidget *dialog)>;

    ModalDriver()
    {
        // A system's own file dialog (Windows') has no widgets to answer: Qt's is used instead.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, this, [this] { poll(); });
        timer.start();
    }

    /// Queues the answer for the next dialog that appears.
    void then(Answer answer) { answers.enqueue(std::move(answer)); }

    /// Clicks `button` of a message box.
    void thenClick(QMessageBox::StandardButton button)
    {
        then([button](QWidget *dialog) {
            auto *box = qobject_cast<QMessageBox *>(dialog);
            if (box && box->button(button))
                box->button(button)->click();
            else
                dialog->close();
        });
    }

    /// Types `path` into a file dialog and accepts it; an empty path cancels. Whether the dialog
    /// asks before replacing a file is the platform's business, so it is told not to.
    void thenChooseFile(const QString &path)
    {
        then([path](QWidget *dialog) {
            auto *files = qobject_cast<QFileDialog *>(dialog);
            if (!files || path.isEmpty()) {
                dialog->close();
                return;
            }
            files->setOption(QFileDialog::DontConfirmOverwrite);
            // A file of the suggested name that exists is selected in the list, and a selection
            // wins over the typed name; typing clears it only where the name field has the
            // focus, which a dialog on a virtual X server without a window manager may lack.
            for (QAbstractItemView *view : files->findChildren<QAbstractItemView *>())
                view->clearSelection();
            // selectFile() leaves a focused name field alone, so type into it as a user would.
            if (auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                name->setText(path);
            else
                files->selectFile(path);
            static_cast<QDialog *>(files)->accept(); // public in QDialog, runs QFileDialog::accept
        });
    }

    /// Accepts a file dialog with the name it suggests.
    void thenAcceptSuggestion()
    {
        then([](QWidget *dialog) {
            if (auto *files = qobject_cast<QFileDialog *>(dialog))
                static_cast<QDialog *>(files)
                    ->accept(); // public in QDialog, runs QFileDialog::accept
            else
                dialog->close();
        });
    }

    QList<SeenDialog> seen;
    int unanswered() const { return int(answers.size()); }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == lastAnswered || answers.isEmpty())
            return;
        lastAnswered = modal;

        SeenDialog info;
        info.className = QString::fromLatin1(modal->metaObject()->className());
        info.title = modal->windowTitle();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            info.text = box->text();
            info.icon = box->icon();
            info.buttons = box->standardButtons();
        }
        if (auto *files = qobject_cast<QFileDialog *>(modal)) {
            info.suggestedFile = files->selectedFiles().value(0);
            info.nameFilters = files->nameFilters();
        }
        seen << info;
        // Answer from a fresh event: the dialog's exec() may still be setting up.
        QTimer::singleShot(0, modal, [modal, answer = answers.dequeue()] { answer(modal); });
    }

    QTimer timer;
    QQueue<Answer> answers;
    QPointer<QWidget> lastAnswered;
};
