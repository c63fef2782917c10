#include "model/HandOver.h"

namespace quorvel {

std::mutex& handOverGate()
{
    static std::mutex gate;
    return gate;
}

} // namespace quorvel
