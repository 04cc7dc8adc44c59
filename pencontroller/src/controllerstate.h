#pragma once

#include "answerstore.h"
#include "callbackslots.h"
#include "requeststatus.h"

namespace scrivlo {

// What the reply parser settles and the requests read.
struct ControllerState
{
    AnswerStore answers;
    RequestStatus status;
    CallbackSlots callbacks;
};

} // namespace scrivlo
