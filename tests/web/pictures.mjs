import zlib from 'node:zlib';

// Pictures: 8-bit RGB or RGBA PNGs, not interlaced (what Chromium and the native
// screenshots write), compared pixel by pixel.

export function decodePng(buffer) {
  let at = 8, width = 0, height = 0, channels = 0;
  const idat = [];
  while (at < buffer.length) {
    const length = buffer.readUInt32BE(at);
    const type = buffer.toString('latin1', at + 4, at + 8);
    const data = buffer.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = data.readUInt32BE(0);
      height = data.readUInt32BE(4);
      const colorType = data[9];
      if (data[8] !== 8 || data[12] !== 0 || (colorType !== 2 && colorType !== 6)) {
        throw new Error('unsupported PNG');
      }
      channels = colorType === 6 ? 4 : 3;
    } else if (type === 'IDAT') {
      idat.push(data);
    }
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = width * channels;
  const out = Buffer.alloc(width * height * 3);
  let prev = Buffer.alloc(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const row = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? row[i - channels] : 0, b = prev[i], c = i >= channels ? prev[i - channels] : 0;
      let p = 0;
      if (filter === 1) p = a;
      else if (filter === 2) p = b;
      else if (filter === 3) p = (a + b) >> 1;
      else if (filter === 4) {
        const e = a + b - c, pa = Math.abs(e - a), pb = Math.abs(e - b), pc = Math.abs(e - c);
        p = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      row[i] = (row[i] + p) & 255;
    }
    for (let x = 0; x < width; ++x) {
      for (let k = 0; k < 3; ++k) out[(y * width + x) * 3 + k] = row[x * channels + k];
    }
    prev = row;
  }
  return { width, height, rgb: out };
}

// The share of pixels, inside the rows [top, bottom) and the columns [left, right),
// whose channels all differ by at most TOLERANCE. The native game draws with Mesa's
// llvmpipe and the browser with SwiftShader behind ANGLE: both place every texel of a
// sprite at whole pixels the same way, but their blending may round a half-way value
// to different sides, so one count of 255 per channel is allowed.
const TOLERANCE = 1;
export function sameShare(a, b, top = 0, bottom = a.height, left = 0, right = a.width) {
  if (a.width !== b.width || a.height !== b.height) return 0;
  let same = 0;
  for (let y = top; y < bottom; ++y) {
    for (let x = left; x < right; ++x) {
      const i = (y * a.width + x) * 3;
      if (Math.abs(a.rgb[i] - b.rgb[i]) <= TOLERANCE && Math.abs(a.rgb[i + 1] - b.rgb[i + 1]) <= TOLERANCE &&
          Math.abs(a.rgb[i + 2] - b.rgb[i + 2]) <= TOLERANCE) {
        ++same;
      }
    }
  }
  return same / ((right - left) * (bottom - top));
}
