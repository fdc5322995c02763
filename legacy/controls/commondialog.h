#pragma once

#include <QString>

class QWidget;

/// The save-as dialog of the legacy console, set up the way its file component is: default
/// extension, proposed file name, a one-entry filter and the folder it opens in.
class CommonDialog
{
public:
    QString DefaultExt; ///< ".txt"
    QString FileName;   ///< proposed name in, chosen path out
    QString Filter;     ///< ".txt"
    QString InitDir;

    /// Shows the dialog; false when the operator cancels (`FileName` then stays as it was).
    bool ShowSave(QWidget *parent);
};
