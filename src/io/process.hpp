// The process's edges: its standard descriptors and the signals that could end a run badly.
#pragma once

namespace dozovor {

// Opens /dev/null on any of descriptors 0, 1 and 2 that is closed, so that no file the tool
// opens later takes the place of standard output. Returns -1 when that fails.
int open_standard_descriptors();

// Ignores SIGPIPE (a reader of standard output that went away must not stop the clip, and an
// output pipe whose reader left must fail like any write) and SIGXFSZ (a file-size limit then
// fails the write with EFBIG instead of killing the tool with a partial output). Installs the
// handler that empties the output on SIGINT, SIGTERM and SIGHUP, except where the signal was
// ignored when the tool started (as under nohup).
void prepare_signals();

// While a regular-file output is guarded, an interrupting signal empties it to 0 bytes before the
// process ends by the signal's default action. Pass -1 to stop guarding.
void guard_output(int fd);

}  // namespace dozovor
