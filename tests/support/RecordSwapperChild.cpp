// Swaps the two paths named by its arguments, whatever each is, over and over, as another user who may
// write the folder holding them could: a link of theirs takes the place of a file of the user's and gives
// it back, many times a millisecond. Prints "swapping" once the first swap has been made, or why none
// could be; then swaps until it is killed.

#include <fcntl.h>
#include <stdio.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  if (::renameat2(AT_FDCWD, argv[1], AT_FDCWD, argv[2], RENAME_EXCHANGE) != 0) {
    std::printf("cannot swap: %s\n", std::strerror(errno));
    return 3;
  }
  std::printf("swapping\n");
  std::fflush(stdout);
  for (;;) ::renameat2(AT_FDCWD, argv[1], AT_FDCWD, argv[2], RENAME_EXCHANGE);
}
