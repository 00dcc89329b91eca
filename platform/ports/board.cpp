#include "platform/ports/board.h"

#include <utility>

namespace platform {

namespace {

Board& Installed() {
  static Board board;
  return board;
}

}  // namespace

void InstallBoard(Board board) { Installed() = std::move(board); }

const Board& CurrentBoard() { return Installed(); }

}  // namespace platform
