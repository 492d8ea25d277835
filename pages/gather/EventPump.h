#pragma once

#include <QElapsedTimer>

// Keeps the window answering during long work on the GUI thread: lets the application process
// pending events at the first call and then whenever a millisecond has passed since it last did.
// A poll of the event sources per step would cost more than a step of a walk itself.
class EventPump
{
public:
    void pump();

private:
    QElapsedTimer sinceLast;
};
