// Reads a LAS file with an independent reader (the copc package) and prints
// what the converter's test compares: the header's fields, the VLRs, the
// extra-bytes dimensions, then one line per point.
'use strict';
const fs = require('fs');
const { Las } = require('copc');

async function main() {
  const file = process.argv[2];
  const buffer = new Uint8Array(fs.readFileSync(file));
  const header = Las.Header.parse(buffer.subarray(0, 375));
  const vlrs = await Las.Vlr.walk(file, header);
  const ebVlr = Las.Vlr.find(vlrs, 'LASF_Spec', 4);
  const eb = ebVlr
    ? Las.ExtraBytes.parse(buffer.subarray(ebVlr.contentOffset, ebVlr.contentOffset + ebVlr.contentLength))
    : [];
  const wkt = Las.Vlr.find(vlrs, 'LASF_Projection', 2112);
  const legacyCount = new DataView(buffer.buffer).getUint32(107, true);
  console.log(JSON.stringify({
    version: `${header.majorVersion}.${header.minorVersion}`,
    headerLength: header.headerLength,
    globalEncoding: header.globalEncoding,
    pointDataRecordFormat: header.pointDataRecordFormat,
    pointDataRecordLength: header.pointDataRecordLength,
    pointCount: header.pointCount,
    legacyPointCount: legacyCount,
    pointCountByReturn1: header.pointCountByReturn[0],
    scale: header.scale, offset: header.offset, min: header.min, max: header.max,
    vlrs: vlrs.map((v) => `${v.userId}/${v.recordId}`),
    wkt: wkt ? Buffer.from(buffer.subarray(wkt.contentOffset, wkt.contentOffset + wkt.contentLength)).toString('latin1').replace(/\0+$/, '') : '',
    extraBytes: eb.map((e) => ({ name: e.name, type: e.type, length: e.length, nodata: e.nodata === undefined ? null : String(e.nodata) })),
  }));
  const points = buffer.subarray(header.pointDataOffset,
    header.pointDataOffset + header.pointCount * header.pointDataRecordLength);
  const view = Las.View.create(points, header, eb);
  const get = ['X', 'Y', 'Z', 'Intensity', 'scan', 'distance', 'echo', 'deviation'].map((n) => view.getter(n));
  const lines = [];
  for (let i = 0; i < view.pointCount; ++i) {
    const [x, y, z, intensity, scan, distance, echo, deviation] = get.map((g) => g(i));
    lines.push(`${x.toFixed(4)} ${y.toFixed(4)} ${z.toFixed(4)} ${intensity} ${scan} ${distance.toFixed(4)} ${echo} ${deviation}`);
  }
  process.stdout.write(lines.join('\n') + '\n');
}

main().catch((e) => { console.error(e.stack || String(e)); process.exit(1); });
