#pragma once
// Why a write to a file failed, in words a user acts on: a full disk and the file size limit are
// the usual causes, and the system's own text covers the rest.

#include <string>

// `error` is an errno value (ENOSPC, EFBIG, ...).
std::string writeFailureCause(int error);
