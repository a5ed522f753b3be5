// Bytes as a "binary string" (one character of code 0 to 255 a byte), the
// form btoa, atob and web storage's strings take, and back.
export function bytesToBinary(bytes: Uint8Array): string {
  let s = '';
  for (let i = 0; i < bytes.length; i += 0x8000) s += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  return s;
}
export const binaryToBytes = (s: string) => Uint8Array.from(s, (c) => c.charCodeAt(0) & 255);
