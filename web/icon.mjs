// The site's icon, made by the build: a 4 x 4 patch of memory cells in greys
// with the instruction pointer's cell outlined in green, as icon.svg and as
// PNGs of the sizes an installed app asks for.
import zlib from 'node:zlib';

const background = [0x1d, 0x4e, 0x89];
const ipColour = [128, 255, 0];
const greys = [40, 200, 90, 250, 160, 20, 230, 120, 70, 180, 10, 140, 220, 60, 110, 190];
const ipCell = 5;
// The patch in a unit square: cells of 0.19 with gaps of 0.02, a margin of 0.1.
const cellAt = (i) => [0.1 + (i % 4) * 0.205, 0.1 + Math.floor(i / 4) * 0.205];
const cell = 0.19;
const ring = 0.03;

export function iconSvg() {
  const hex = (c) => `#${c.map((v) => v.toString(16).padStart(2, '0')).join('')}`;
  const cells = greys.map((g, i) => {
    const [x, y] = cellAt(i);
    return `<rect x="${x * 512}" y="${y * 512}" width="${cell * 512}" height="${cell * 512}" fill="${hex([g, g, g])}"/>`;
  });
  const [x, y] = cellAt(ipCell);
  const r = ring * 512;
  return `<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 512 512"><rect width="512" height="512" rx="64" ` +
    `fill="${hex(background)}"/>${cells.join('')}<rect x="${x * 512 + r / 2}" y="${y * 512 + r / 2}" ` +
    `width="${cell * 512 - r}" height="${cell * 512 - r}" fill="none" stroke="${hex(ipColour)}" stroke-width="${r}"/></svg>\n`;
}

function colourAt(u, v) {
  for (let i = 0; i < 16; ++i) {
    const [x, y] = cellAt(i);
    if (u < x || v < y || u >= x + cell || v >= y + cell) continue;
    const edge = Math.min(u - x, v - y, x + cell - u, y + cell - v);
    if (i === ipCell && edge < ring) return ipColour;
    return [greys[i], greys[i], greys[i]];
  }
  return background;
}

const crcTable = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c >>> 0;
});
function crc32(bytes) {
  let c = 0xffffffff;
  for (const b of bytes) c = crcTable[(c ^ b) & 255] ^ (c >>> 8);
  return (c ^ 0xffffffff) >>> 0;
}
function chunk(type, data) {
  const out = Buffer.alloc(12 + data.length);
  out.writeUInt32BE(data.length, 0);
  out.write(type, 4, 'latin1');
  data.copy(out, 8);
  out.writeUInt32BE(crc32(out.subarray(4, 8 + data.length)), 8 + data.length);
  return out;
}

// An 8-bit RGB PNG of size x size pixels.
export function iconPng(size) {
  const rows = Buffer.alloc(size * (1 + size * 3));
  for (let y = 0; y < size; ++y) {
    for (let x = 0; x < size; ++x) rows.set(colourAt((x + 0.5) / size, (y + 0.5) / size), y * (1 + size * 3) + 1 + x * 3);
  }
  const header = Buffer.alloc(13);
  header.writeUInt32BE(size, 0);
  header.writeUInt32BE(size, 4);
  header.set([8, 2, 0, 0, 0], 8);
  return Buffer.concat([Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]), chunk('IHDR', header),
    chunk('IDAT', zlib.deflateSync(rows)), chunk('IEND', Buffer.alloc(0))]);
}
