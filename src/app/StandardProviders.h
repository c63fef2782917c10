#pragma once

#include "model/FolderWatcher.h"

namespace quorvel {

// The providers the application watches with, in tie-break order.
FolderWatcher::ProviderList standardProviders();

} // namespace quorvel
