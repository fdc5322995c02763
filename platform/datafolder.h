#pragma once

#include <QString>

/// The legacy console's data folder: "c:\KOVA" on Windows, the folder KOVA in the user's home
/// elsewhere.
namespace datafolder
{

QString path();

/// Creates the folder when it is missing; false when it is not there afterwards.
bool ensure();

} // namespace datafolder
