#pragma once

// The settings tests' files in memory are the shared ones.
#include "support/FakeFileSystem.h"
