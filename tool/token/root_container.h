// The container that holds the bank's root certificate on every token: read and registered,
// never shown. The bank's issuing system and the token's vendor use the same name.
#pragma once

constexpr char kRootContainerName[] = "ZRB_OnLineBank_Root_Cert";
