// Every command id of the program in one list: the menu, the tool bar, the
// accelerators, the view's keys, the playback bar and the document, link and
// application commands all name their commands from here. The numbers are the
// ones the program's resources have always used; the names say what each does.
#pragma once

namespace cmd {
// File
inline constexpr int kConnect = 32804;            // Connect to Sonar Head
inline constexpr int kOpenPlayback = 32805;       // Open File to Playback
inline constexpr int kRecord = 32806;             // Record Start (Stop)
inline constexpr int kSetRecordDirectory = 32790; // Set Record Directory...
inline constexpr int kConvertToXyz = 32956;       // Convert .31L file to .xyz...
inline constexpr int kAutoSaveFileNames = 32817;  // Auto Save File Names
inline constexpr int kUdpXyzOutput = 32958;       // Enable UDP XYZ Output
inline constexpr int kUdpPrdOutput = 32959;       // Enable UDP Range/Bearing Output
inline constexpr int kUdpAddress = 32960;         // Udp Address... (no handler: always disabled)
inline constexpr int kSaveScreen = 32868;         // Save Screen
inline constexpr int kExit = 57665;               // Exit

// View
inline constexpr int kClearImage = 32791;      // Clear Image
inline constexpr int kHold = 32813;            // Hold
inline constexpr int kReverse = 32814;         // Reverse
inline constexpr int kRestoreImage = 32825;    // Restore Image
inline constexpr int kZoom50 = 32781;          // Zoom 50 %
inline constexpr int kZoom75 = 32782;          // Zoom 75 %
inline constexpr int kZoom100 = 32783;         // Zoom 100 %
inline constexpr int kZoom125 = 32784;         // Zoom 125 %
inline constexpr int kZoom150 = 32785;         // Zoom 150 %
inline constexpr int kZoom175 = 32786;         // Zoom 175 %
inline constexpr int kZoom200 = 32787;         // Zoom 200 %
inline constexpr int kZoom300 = 32788;         // Zoom 300 %
inline constexpr int kZoom400 = 32789;         // Zoom 400 % (handled, but no menu item carries it)
inline constexpr int kZoomIn = 32822;          // Zoom In
inline constexpr int kZoomOut = 32823;         // Zoom Out
inline constexpr int kRangeMarker = 32827;     // Range Marker
inline constexpr int kDiagnostics = 32799;     // Diagnostics
inline constexpr int kSonarSettings = 32824;   // Sonar Settings panel
inline constexpr int kMiniSettingsBar = 32845; // Mini Settings Bar
inline constexpr int kBackgroundColor = 32882; // Back Ground Color
inline constexpr int kDisplayPrd = 32927;      // Display Pitch / Roll / Distance
inline constexpr int kUseExternalPrd = 32961;  // Use External Pitch / Roll Data
inline constexpr int kFullScreen = 32932;      // Full Screen

// Colour tables
inline constexpr int kColorNormalHigh = 32771;  // Normal High (first colour table)
inline constexpr int kColorNormalLow = 32772;   // Normal Low
inline constexpr int kColorGreen = 32773;       // Green
inline constexpr int kColorGrey = 32774;        // Grey
inline constexpr int kColorReverseGrey = 32775; // Reverse Grey
inline constexpr int kColorBrownYellow = 32776; // Brown / Yellow
inline constexpr int kColorGreenBlue = 32777;   // Green / Blue
inline constexpr int kColorGreenYellow = 32778; // Green / Yellow
inline constexpr int kColorBlue = 32779;        // Blue (last colour table)

// Points
inline constexpr int kPointsColor = 32880;  // Points Color
inline constexpr int kPointsSmall = 32894;  // Points Small
inline constexpr int kPointsMedium = 32895; // Points Medium
inline constexpr int kPointsLarge = 32896;  // Points Large

// Pipe shape
inline constexpr int kShapeCircle = 32952;    // Circle
inline constexpr int kShapeHorseShoe = 32953; // Horse Shoe
inline constexpr int kShapeLast = 32954;      // last pipe-shape choice (no menu item)
inline constexpr int kMoveShape = 32902;      // Move Shape...
inline constexpr int kLineColor = 32904;      // Pipe shape Line Color
inline constexpr int kPipeParameter = 32892;  // Pipe Parameter
inline constexpr int kDisplayOverlay = 32951; // Display Overlay

// Text
inline constexpr int kTextInput = 32885;   // Text Input...
inline constexpr int kTextDelete = 32905;  // Text Delete
inline constexpr int kTextColor = 32883;   // Text Color
inline constexpr int kTextSmall = 32897;   // Text Small
inline constexpr int kTextMedium = 32898;  // Text Medium
inline constexpr int kTextLarge = 32899;   // Text Large
inline constexpr int kTextLarger = 32900;  // Text Larger
inline constexpr int kTextLargest = 32901; // Text Largest

// Measure
inline constexpr int kMeasureAdd = 32886;       // Measure Add...
inline constexpr int kMeasureDelete = 32907;    // Measure Delete
inline constexpr int kMeasureLineColor = 32906; // Measure Line Color

// Grid
inline constexpr int kGridNone = 32828;      // Grid None
inline constexpr int kGridRectangle = 32829; // Rectangle Grid
inline constexpr int kGridPolar = 32830;     // Polar Grid
inline constexpr int kGridColor = 32881;     // Grid Color
inline constexpr int kGridSolid = 32831;     // Solid Line
inline constexpr int kGridDotted = 32832;    // Dotted Line
inline constexpr int kGridDashed = 32833;    // Dashed Line

// System
inline constexpr int kComPortSetup = 32796;      // COM Port Setup...
inline constexpr int kIpAddress = 32798;         // IP Address...
inline constexpr int kMinimumRange = 32924;      // Minimum Range
inline constexpr int kSoundVelocity = 32801;     // Sound Velocity
inline constexpr int kXdcrFwd = 32888;           // Xdcr Fwd
inline constexpr int kXdcrAft = 32889;           // Xdcr Aft
inline constexpr int kZeroUp = 32890;            // Zero Up
inline constexpr int kZeroDown = 32891;          // Zero Down
inline constexpr int kUnitsMeters = 32842;       // Units Meters
inline constexpr int kUnitsFeet = 32843;         // Units Feet
inline constexpr int kUnitsInches = 32844;       // Units Inches
inline constexpr int kSetDefaultColors = 32912;  // Set Default Colors
inline constexpr int kDeleteAllDrawings = 32911; // Delete All Drawings
inline constexpr int kRollCorrection = 32914;    // Roll Correction
inline constexpr int kCalibrate = 32955;         // Calibrate
// Ours: the range scale checked in a ring of known diameter (System > Options).
inline constexpr int kRangeCalibration = 33040;
inline constexpr int kProfileOff = 32850;        // Profile Off
inline constexpr int kProfilePointsOnly = 32851; // Profile Points Only
inline constexpr int kProfileLowMix = 32852;     // Profile Low Mix
inline constexpr int kProfileMediumMix = 32853;  // Profile Medium Mix
inline constexpr int kProfileHighMix = 32854;    // Profile High Mix
inline constexpr int kHelp = 32847;              // Help...
inline constexpr int kAbout = 57664;             // About TubescanL...
// Ours: the Pipe Condition panel, shown or hidden (View menu).
inline constexpr int kPipeCondition = 33001;
// Ours: the point cloud of the file being played back (File menu).
inline constexpr int kExportPointCloud = 33002;
// Ours: the same as a LAS 1.4 file (File menu).
inline constexpr int kExportLasCloud = 33003;
// Ours: the survey and its findings as a GeoJSON map (File menu).
inline constexpr int kExportGeoJson = 33011;
// Ours: go to a distance or a time of day in the playback file (View menu).
inline constexpr int kGoTo = 33027;
// Ours: the Unrolled dock (bearing against distance), shown or hidden (View menu).
inline constexpr int kUnrolled = 33004;
// Ours: the Pipe 3D dock, shown or hidden (View menu).
inline constexpr int kPipe3D = 33006;
// Ours: the docks back to where a first start puts them (View menu).
inline constexpr int kResetLayout = 33007;
// Ours: the survey's details beside the recording (File menu).
inline constexpr int kSurveyDetails = 33010;
// Ours: an earlier recording of the pipe shown beside this one (File menu).
inline constexpr int kCompareRecording = 33015;

// Tool bar and keys
inline constexpr int kRangeUp = 32874;      // Increase Range
inline constexpr int kRangeDown = 32875;    // Decrease Range
inline constexpr int kGainUp = 32876;       // Increase Gain
inline constexpr int kGainDown = 32877;     // Decrease Gain
inline constexpr int kSectorUp = 32870;     // Increase Sector Width
inline constexpr int kSectorDown = 32871;   // Decrease Sector Width
inline constexpr int kTrainDown = 32872;    // Decrease Train Angle
inline constexpr int kTrainUp = 32873;      // Increase Train Angle
inline constexpr int kDiameterUp = 32919;   // overlay diameter up (F6)
inline constexpr int kDiameterDown = 32920; // overlay diameter down (F5)
inline constexpr int kArrowDown = 32940;    // arrow key down
inline constexpr int kArrowUp = 32941;      // arrow key up
inline constexpr int kArrowLeft = 32942;    // arrow key left
inline constexpr int kArrowRight = 32943;   // arrow key right

// Typing in a parameter (the view's keys)
inline constexpr int kKeyInRange = 32855;  // type in the range
inline constexpr int kKeyInGain = 32857;   // type in the gain
inline constexpr int kKeyInTrain = 32859;  // type in the train
inline constexpr int kKeyInSector = 32861; // type in the sector

// Playback
inline constexpr int kRealTimePlaySpeed = 32864; // real-time play speed
inline constexpr int kPlayOneFrame = 32922;      // play one frame
inline constexpr int kStepFrameBack = 1069;      // playback bar: one frame back
inline constexpr int kStepFrameForward = 1072;   // playback bar: one frame forward
} // namespace cmd
