#pragma once

class DuskmereWizard;

// Moves the wizard on as a user does: waits until Continue is enabled, presses it, and waits for
// the next page. False when either wait runs out.
bool advance(DuskmereWizard &wizard, int timeoutMs = 30000);
