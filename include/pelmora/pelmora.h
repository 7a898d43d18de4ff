// Pelmora as a library: every public header at once.
#pragma once

#include "pelmora/box.h"
#include "pelmora/dataset.h"
#include "pelmora/generate.h"
#include "pelmora/settings.h"
#include "pelmora/status.h"
#include "pelmora/version.h"
