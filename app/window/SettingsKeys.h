#pragma once
// Sections and keys of "tessel.ini". Names are written exactly as here (`MidiChanel` with
// one n) and looked up without regard to case.
namespace tessel::keys {

constexpr char kConfig[] = "config";
constexpr char kDevice[] = "device";

constexpr char kLastTransferPath[] = "DerPath";  // config, text
constexpr char kLibraryFolder[] = "PathDef";     // device, text

constexpr char kPreviewRange[] = "par_Range";    // config, 1..6
constexpr char kPreviewVelocity[] = "par_Velo";  // config, 40..127
constexpr char kPreviewTempo[] = "par_Tempo";    // config, 40..200
constexpr char kPreviewType[] = "par_Motif";     // config, 0..9
constexpr char kAutoPreview[] = "par_TestSel";   // config, 0 or 1

}  // namespace tessel::keys
