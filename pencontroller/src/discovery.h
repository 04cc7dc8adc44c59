#pragma once

class CScrivloControllerCtrl;

namespace scrivlo {

// Closes the current port, lists the serial ports and probes them one by one in ascending number;
// the first that the receiver answers stays open. PenOk or PenFailed.
int probePorts(CScrivloControllerCtrl &controller);

} // namespace scrivlo
