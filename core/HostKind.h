#pragma once

// Identifies the host application from its self-reported name: the first
// entry of a fixed table whose text occurs anywhere in the lower-cased name.
// Unknown hosts give 0.
int HostKindFromName(const char* name);

// The host id whose state streams may report an error after delivering
// valid bytes; reading goes on for it.
constexpr int kHostKindWaveLab = 28;
