#include "CopyThread.h"

#include "wizard/DuskmereWizard.h"

CopyThread::CopyThread(DuskmereWizard *wizard)
    : wizard(wizard)
{
}

void CopyThread::run()
{
    emit doneCopying(); // the copy itself is not written yet
    emit written(int(wizard->size / 1048576));
}
