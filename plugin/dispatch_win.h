#pragma once
#include "request.h"

// Runs the handler that a request's ID names.
void RunHandler(Handler handler);
