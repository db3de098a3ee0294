#pragma once
// Writing the tag columns of the track table into the files.

#include "table/context.h"

namespace tn {

// The commands: question, writer, notice, written columns painted white.
void cmd_write_all(Context& cx);
void cmd_write_kyokumei(Context& cx);
void cmd_write_alubum(Context& cx);
void cmd_write_artname(Context& cx);

// The writers, one run over every file of the file list. Each reports a file
// it cannot write and goes on; true when every file was written.
bool tag_write_all(Context& cx);
bool tag_write_title(Context& cx);
bool tag_write_album(Context& cx);
bool tag_write_artist(Context& cx);

}  // namespace tn
