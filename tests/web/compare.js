// Sample-for-sample comparison of two stereo renders, and where they differ.

// The smallest normal float: below it a value is subnormal (or zero).
export const SMALLEST_NORMAL = 1.1754943508222875e-38;

// {frames, differing, firstFrame, largest, outsideSubnormal}: how many samples of
// the two channels differ in their bits, the first frame with a difference, the
// largest difference and how many differing samples have a normal value on
// either side.
export function compareRenders(actual, expected) {
    const result = { frames: expected.left.length, lengths: [actual.left.length, expected.left.length],
        differing: 0, firstFrame: -1, largest: 0, outsideSubnormal: 0 };
    if (actual.left.length !== expected.left.length) {
        return result;
    }
    const actualBits = [actual.left, actual.right].map((c) => new Uint32Array(c.buffer, c.byteOffset, c.length));
    const expectedBits = [expected.left, expected.right].map((c) => new Uint32Array(c.buffer, c.byteOffset, c.length));
    for (let channel = 0; channel < 2; ++channel) {
        const a = actualBits[channel];
        const e = expectedBits[channel];
        const aValues = channel === 0 ? actual.left : actual.right;
        const eValues = channel === 0 ? expected.left : expected.right;
        for (let n = 0; n < a.length; ++n) {
            if (a[n] === e[n]) {
                continue;
            }
            ++result.differing;
            if (result.firstFrame < 0 || n < result.firstFrame) {
                result.firstFrame = n;
            }
            result.largest = Math.max(result.largest, Math.abs(aValues[n] - eValues[n]));
            if (Math.abs(aValues[n]) >= SMALLEST_NORMAL || Math.abs(eValues[n]) >= SMALLEST_NORMAL) {
                ++result.outsideSubnormal;
            }
        }
    }
    return result;
}
