#include "collect/address.h"

namespace vemlo {

int CrackAddress(const std::string& address, AddressParts& parts) { return SplitAddress(address, parts); }

}  // namespace vemlo
