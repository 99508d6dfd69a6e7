// The codec kit: everything a format's reader and writer are built from.
// A codec file includes this header and holds only its format's own parts:
// header, probe, decoding and encoding loops, and its named quirks.
//
// The shape of a reader:
//
//   extern "C" int KAPI K_LoadXXXFile(const char* name, BitmapRecord* bitmap, RowCallback callback,
//                                     int bitsPerPixel, void* userData) {
//       ReaderSession session;
//       int r = session.Open(name, bitmap, bitsPerPixel);     // entry checks, file, Source
//       if (r != K_OK) return r;
//       Source& in = session.source();
//       unsigned char header[32];
//       if ((r = in.ReadExact(header, 32, K_ERR_FORMAT)) != K_OK) return r;
//       ... parse with ByteView / Le16 / Be32; check against limits:: ...
//       if ((r = session.SetImage(width, height, bits, fileOrder)) != K_OK) return r;
//       ... ColorsFromBytes(bitmap->ColorTable, ...); session.FinishColors(count);
//       ... ViewPerspective, resolution, bitmap->FormatCode ...
//       if ((r = in.Require(bytesTheRowsNeedAtLeast)) != K_OK) return r;  // before any storage
//       if ((r = session.BeginRows(callback, userData)) != K_OK) return r;
//       for (int y = 0; y < height; ++y) {
//           if ((r = in.ReadExact(session.Row(), session.FileRowBytes())) != K_OK) return r;  // or decode
//           if ((r = session.DeliverRow(y)) != K_OK) return r;
//       }
//       session.DropTrueColorPalette();
//       return K_OK;
//   }
//   extern "C" int KAPI K_LoadXXXBitmap(const char* name, BitmapRecord* bitmap) {
//       return LoadWholeBitmap(name, bitmap, K_LoadXXXFile, K_ORDER_BGR);
//   }
//
// The shape of a writer (a SaveEntry in the codec's row, io/codec_row.h):
//
//   int SaveXXXFile(const SaveRequest& request) {
//       ... refuse depths (-27) and sizes the header cannot hold (-11) ...
//       SaveWriter writer(request.bitmap, bits, request.flags, request.callback, request.userData);
//       int r = writer.Begin();                               // target depth, order, colour table
//       if (r != K_OK) return r;
//       Output out;
//       if ((r = out.Open(request.name)) != K_OK) return r;   // temporary name beside the target
//       out.U16LE(...); writer.ColorTableBytes(table, n, ColorBytes::RGB); out.Write(table, ...);
//       for (int y = 0; y < writer.Height(); ++y) {
//           if ((r = writer.RowFromTop(y)) != K_OK) return r;  // or RowFromBottom
//           out.Write(writer.Row(), rowBytes);                  // buffered; failures kept
//       }
//       // (or, for rows the file holds unchanged: writer.WriteRows(out, rowBytes, bottomFirst))
//       return out.Finish();                                  // -5 on any short write
//   }
//
// Shared units: packed indices, PackBits and bit readers/writers
// (io/packing.h), colour tables and grey ramps (io/color_table.h), header
// fields (io/byte_order.h), format codes and limits (io/format_codes.h).
#pragma once

#include "core/bitmap.h"
#include "io/byte_order.h"
#include "io/codecs.h"
#include "io/color_table.h"
#include "io/file_info.h"
#include "io/format_codes.h"
#include "io/output.h"
#include "io/packing.h"
#include "io/probes.h"
#include "io/reader_session.h"
#include "io/save_writer.h"
#include "io/source.h"
