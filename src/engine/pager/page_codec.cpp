#include "engine/pager/page_codec.h"

namespace engine {

std::string_view describe(PageEncryption encryption) {
  switch (encryption) {
    case PageEncryption::None:
      return "none";
    case PageEncryption::JetRc4:
      return "Jet RC4 page encoding";
    case PageEncryption::OfficeRc4CryptoApi:
      return "Office RC4 CryptoAPI encryption";
    case PageEncryption::OfficeStandardAes:
      return "Office standard AES encryption";
    case PageEncryption::OfficeAgile:
      return "Office Agile encryption (AES)";
  }
  return "unknown";
}

}  // namespace engine
