#include "scl/SCLRegister.h"

#include "rtl/ClassRegistry.h"
#include "scl/SCLcrypt.h"
#include "scl/SCLmd5.h"

namespace Sumtide {

void RegisterSCLClasses() {
  RegisterClass(TComponent::Class());
  RegisterClass(TSCL_hash::Class());
  RegisterClass(TSCL_md5::Class());
  RegisterClass(TSCL_cipher::Class());
  RegisterClass(TSCL_blockcipher::Class());
}

} // namespace Sumtide
