// The entry point of r7k-net.so: the network serial component, made on request.
#include "qt/net_serial.h"

extern "C" __attribute__((visibility("default"))) r7k::NetworkPort* r7k_network_port() {
    return new r7k::NetSerial;
}
