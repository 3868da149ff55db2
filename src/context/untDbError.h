#pragma once
// The error every database operation raises, with the driver's message.

#include "platform/untException.h"

class TExceptDbManager : public Exception
{
public:
    using Exception::Exception;
};
