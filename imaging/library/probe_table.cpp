// The fixed probe order of K_FileInfo. A codec joins by putting its probe
// into its step here.
#include <iterator>

#include "formats/raster_formats.h"
#include "io/probes.h"
#include "fax/fax_containers.h"
#include "tiff/tiff_codec.h"

const ProbeStep kProbeOrder[] = {
    {ProbeAction::Probe, false, ReadCompressedInfo, "compressed format"},
    {ProbeAction::Probe, true, ProbeTIFF, "TIFF"},
    {ProbeAction::Probe, true, ProbeTGA, "TGA"},  // header test, then the probe
    {ProbeAction::Probe, false, ProbeBMP, "BMP"},
    {ProbeAction::Probe, false, ProbePCX, "PCX/DCX"},
    {ProbeAction::Probe, true, ProbeCALS, "CALS"},
    {ProbeAction::Probe, true, ProbeGIF, "GIF"},
    {ProbeAction::Probe, true, ProbePNG, "PNG"},
    {ProbeAction::Probe, false, ReadCompressDataInfo, "compressed-data stream"},
    {ProbeAction::Probe, false, ProbeWMF, "metafile"},
    {ProbeAction::Probe, true, ProbeEPS, "EPS"},
    {ProbeAction::ReReadHeader, true, nullptr, "header again"},
    {ProbeAction::Probe, true, ProbePSD, "Photoshop"},
    {ProbeAction::Probe, true, ProbeJPEG, "JPEG"},
    {ProbeAction::Probe, true, ProbeCALS, "CALS"},
    {ProbeAction::Probe, true, ProbeMAC, "MacPaint"},
    {ProbeAction::Probe, true, ProbeIMG, "GEM IMG"},
    {ProbeAction::Probe, true, ProbeMSP, "MSP"},
    {ProbeAction::Probe, true, ProbeWPG, "WPG"},
    {ProbeAction::Probe, true, ProbeRAS, "Sun raster"},
    {ProbeAction::Probe, true, ProbePCT, "PICT"},
    {ProbeAction::Probe, true, ProbeWFX, "fax file"},
    {ProbeAction::Probe, true, ProbeIOCA, "IOCA"},
};
const size_t kProbeOrderCount = std::size(kProbeOrder);

// PhotoCD (only when its library is bound), then headerless fax (only with
// a load-info callback).
const NameProbeFunction kNameProbes[] = {ReadPCDInfo, ReadRawFaxInfo};
const size_t kNameProbeCount = std::size(kNameProbes);
