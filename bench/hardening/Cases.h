#pragma once
// The groups of hardening cases; each prints one PASS/FAIL line a case.
namespace tessel::bench {

void RunInstrumentFaults();  // silent, wrong size, slow: on the virtual instrument
void RunDiskFaults();        // a full disk, a read-only library folder
void RunClosing();           // closing the window during each activity
void RunJack();              // the test instrument or the JACK server killed
void RunSoak();              // many operations: resident memory stays flat

}  // namespace tessel::bench
