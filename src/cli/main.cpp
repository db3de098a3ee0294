// tagnarabe-cli: the folder edits of the windows, from the command line.

#include "cli/cli.h"
#include "table/folder.h"

int main(int argc, char** argv) {
  // Arguments as the file system's bytes: a folder name that is not valid
  // UTF-8 still names its folder.
  QStringList args;
  for (int i = 1; i < argc; ++i) args << tn::decode_file_name(QByteArray(argv[i]));
  return tn::cli::dispatch(args);
}
