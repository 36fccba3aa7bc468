#include "scl/SCLRegister.h"

#include "rtl/ClassRegistry.h"
#include "scl/SCLblake2b.h"
#include "scl/SCLblake3.h"
#include "scl/SCLcrypt.h"
#include "scl/SCLmd5.h"
#include "scl/SCLsha1.h"
#include "scl/SCLsha256.h"
#include "scl/SCLsha512.h"

namespace Sumtide {

void RegisterSCLClasses() {
  RegisterClass(TComponent::Class());
  RegisterClass(TSCL_hash::Class());
  RegisterClass(TSCL_md5::Class());
  RegisterClass(TSCL_sha1::Class());
  RegisterClass(TSCL_sha224::Class());
  RegisterClass(TSCL_sha256::Class());
  RegisterClass(TSCL_sha384::Class());
  RegisterClass(TSCL_sha512::Class());
  RegisterClass(TSCL_blake2b::Class());
  RegisterClass(TSCL_blake3::Class());
  RegisterClass(TSCL_cipher::Class());
  RegisterClass(TSCL_blockcipher::Class());
}

} // namespace Sumtide
