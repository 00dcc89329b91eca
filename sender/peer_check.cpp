#include "sender/peer_check.h"

#include "platform/linux/socket_calls.h"

namespace sender {

std::optional<std::string> UntrustedPeer(int connection, uid_t own_uid) {
  ucred peer{};
  if (const auto asked = platform::posix::PeerCredentials(connection, &peer); !asked.ok()) {
    return std::string(kPermissionDenied) + ": cannot tell who is on the other end (" +
           asked.Describe() + ")";
  }
  if (peer.uid == own_uid || peer.uid == 0) return std::nullopt;
  return std::string(kPermissionDenied) + ": the other end runs as user " +
         std::to_string(peer.uid);
}

}  // namespace sender
