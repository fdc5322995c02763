#include "commondialog.h"

#include <QDir>
#include <QFileDialog>

namespace
{

QString suffixOf(const QString &extension)
{
    return extension.startsWith(u'.') ? extension.mid(1) : extension;
}

} // namespace

bool CommonDialog::ShowSave(QWidget *parent)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(InitDir);
    dialog.setDefaultSuffix(suffixOf(DefaultExt));
    dialog.setNameFilter(Filter + QStringLiteral(" (*") + Filter + QStringLiteral(")"));
    dialog.selectFile(FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    FileName = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    return true;
}
