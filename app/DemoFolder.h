#pragma once
#include <QString>

namespace qv {

// The simulated microscope's program folder, built into the executable. It is copied to the
// user's data folder the first time; files already there are the user's and are never
// overwritten. Empty when the folder cannot be made.
QString DemoFolder(QString& error);

}  // namespace qv
