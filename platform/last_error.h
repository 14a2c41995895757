// The record behind LastErrorCode() and LastErrorPath(), kept by the platform layer's own sources.
#pragma once

#include <string>

namespace boxferry::platform {

// Records the outcome of a call that took `path`: `code` 0 for success, else the system's error number.
void NoteOutcome(int code, const std::string& path);
// Records a failure; the path is kept as it was when `path` is null.
void NoteFailure(int code, const std::string* path);

}  // namespace boxferry::platform
