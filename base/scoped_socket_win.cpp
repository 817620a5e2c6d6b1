// Closing a socket, apart from the other owners so that only programs that hold sockets link
// Winsock.
#include <winsock2.h>

#include "base/scoped_win.h"

namespace base {

void SocketTraits::close(UINT_PTR s) noexcept { closesocket(static_cast<SOCKET>(s)); }

}  // namespace base
