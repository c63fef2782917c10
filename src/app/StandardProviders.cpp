#include "app/StandardProviders.h"

namespace quorvel {

FolderWatcher::ProviderList standardProviders()
{
    return {};
}

} // namespace quorvel
