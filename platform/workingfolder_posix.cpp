#include "workingfolder.h"

namespace workingfolder
{

// A program here is started where its user can write, or the user chose the place.
void settle() {}

} // namespace workingfolder
