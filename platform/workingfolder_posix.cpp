#include "workingfolder.h"

namespace workingfolder
{

// The working directory is the one the user started the program in; its files stay there.
void settle() {}

} // namespace workingfolder
