#pragma once

namespace OrvUI {

// Where a window's markup and images come from. Every skinned window of the
// installer answers ArchiveResource: its skin is a 7z archive carried by the
// executable itself.
enum ResourceType {
  LooseFiles = 1,       // files under the skin root
  ArchiveFile = 2,      // an archive file under the skin root
  ModuleResource = 3,   // "xml" resources of the resource module
  ArchiveResource = 4,  // an archive stored as a "ZIPRES" resource
};

}  // namespace OrvUI
