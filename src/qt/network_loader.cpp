#include <dlfcn.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include "qt/network_port.h"

namespace r7k {

std::unique_ptr<NetworkPort> loadNetworkPort(std::string& error) {
    // Where the module is: named by R7K_NET_MODULE, beside the program or one folder up (a
    // build tree and its tests), or where the package puts it (/usr/lib/<arch>/r7k-panel for
    // /usr/bin).
    const QString here = QCoreApplication::applicationDirPath();
    QStringList candidates{qEnvironmentVariable("R7K_NET_MODULE"), here + "/r7k-net.so",
                           here + "/../r7k-net.so", here + "/../" R7K_MODULE_DIR "/r7k-net.so"};
    candidates.removeAll(QString());
    for (const QString& path : candidates) {
        if (!QFileInfo::exists(path))
            continue;
        // Kept loaded for the life of the program, like any library it links.
        void* module = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) {
            error = dlerror();
            return nullptr;
        }
        using Make = NetworkPort* (*)();
        if (auto make = reinterpret_cast<Make>(dlsym(module, "r7k_network_port")))
            return std::unique_ptr<NetworkPort>(make());
        error = path.toStdString() + " is not the panel's network module";
        return nullptr;
    }
    error = "the network module r7k-net.so is missing (looked in " +
            candidates.join(", ").toStdString() + "); reinstall the package";
    return nullptr;
}

}  // namespace r7k
