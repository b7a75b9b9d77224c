#pragma once
// What an operation's result becomes where programs, clients and the window see it: the reply
// words of the command language and the status numbers that the speed tests and the axes panel
// show. Nothing below the commands turns a result into a number.
#include <cstdint>
#include <string>

#include "controllers/Result.h"

namespace qv {

// "OK " when the operation was done, else "Error ".
std::string OkOrError(Result result);

// The controllers' status number: 1 done, 0 not sent (the controller type lacks the operation or
// is not known), -2 a controller error or a motion time-out, -3 a reply without frame or status,
// -4 an exchange re-entered, -1 every other failure.
int16_t StatusCode(Result result);

}  // namespace qv
