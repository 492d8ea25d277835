#include "StandardFoldersRedirect.h"

// The program takes them from HOME and the XDG variables, which the test sets already.
void redirectStandardFolders(const QString &)
{ }
