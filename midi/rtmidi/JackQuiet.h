#pragma once
// libjack prints every failed connection attempt ("Cannot connect to server socket ...")
// on the console. Listing the ports of a machine without a JACK server is normal for
// Tessel, so those messages are dropped. Does nothing when built without JACK.
namespace tessel::midi {

void QuietJackMessages();

}  // namespace tessel::midi
