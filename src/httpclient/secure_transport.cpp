#include "httpclient/secure_transport.h"

namespace http_client::secure {

int connect(platform::net::socket_handle, std::uint32_t, std::uint16_t, const char*) { return -1; }
int handshake(platform::net::socket_handle) { return -1; }
int send(platform::net::socket_handle, const char*, int) { return -1; }
int recv(platform::net::socket_handle, char*, int) { return -1; }
int pending(platform::net::socket_handle) { return -1; }
int close(platform::net::socket_handle) { return -1; }

}  // namespace http_client::secure
