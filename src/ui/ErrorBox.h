#pragma once

// The error box lives beside the dialogs, so that every layer can show it.
#include "platform/ErrorBox.h"
