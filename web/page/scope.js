// The live view of the output: an oscilloscope (triggered on a rising zero
// crossing so a steady tone stands still, and scaled up to 40 dB so a quiet tone
// fills it), a spectrum on a logarithmic frequency axis and the peak level, from
// one AnalyserNode, drawn while the page is visible.

const LOWEST_FREQUENCY = 20;
const LARGEST_SCOPE_GAIN = 100;
const FLOOR_DB = -120;

export class Scope {
    constructor(analyser, scopeCanvas, spectrumCanvas, levelOutput) {
        this.analyser = analyser;
        this.scopeCanvas = scopeCanvas;
        this.spectrumCanvas = spectrumCanvas;
        this.levelOutput = levelOutput;
        this.wave = new Float32Array(analyser.fftSize);
        this.spectrum = new Float32Array(analyser.frequencyBinCount);
        this.lastLevelUpdate = 0;
        this.colours = getComputedStyle(document.documentElement);
        const draw = (time) => {
            this.draw(time);
            requestAnimationFrame(draw);
        };
        requestAnimationFrame(draw);
    }

    colour(name) {
        return this.colours.getPropertyValue(name).trim() || '#888';
    }

    // The largest magnitude of the latest analyser window.
    peak() {
        this.analyser.getFloatTimeDomainData(this.wave);
        let peak = 0;
        for (const sample of this.wave) {
            peak = Math.max(peak, Math.abs(sample));
        }
        return peak;
    }

    draw(time) {
        const peak = this.peak();
        if (time - this.lastLevelUpdate > 100) {
            this.lastLevelUpdate = time;
            this.levelOutput.value = peak > 0 ? `${(20 * Math.log10(peak)).toFixed(1)} dBFS` : '-oo dBFS';
        }
        this.drawWave(Math.min(LARGEST_SCOPE_GAIN, 0.9 / Math.max(peak, 1e-9)));
        this.drawSpectrum();
    }

    drawWave(gain) {
        const canvas = this.scopeCanvas;
        const context = canvas.getContext('2d');
        const { width, height } = canvas;
        context.fillStyle = this.colour('--display-background');
        context.fillRect(0, 0, width, height);
        context.strokeStyle = this.colour('--display-grid');
        context.beginPath();
        context.moveTo(0, height / 2);
        context.lineTo(width, height / 2);
        context.stroke();
        const wave = this.wave;
        const shown = Math.min(wave.length / 2, 1024);
        let start = 0;
        for (let n = 1; n < wave.length - shown; ++n) {
            if (wave[n - 1] < 0 && wave[n] >= 0) {
                start = n;
                break;
            }
        }
        context.strokeStyle = this.colour('--display-trace');
        context.lineWidth = 2;
        context.beginPath();
        for (let n = 0; n < shown; ++n) {
            const x = (n / (shown - 1)) * width;
            const y = height / 2 - wave[start + n] * gain * (height / 2);
            if (n === 0) {
                context.moveTo(x, y);
            } else {
                context.lineTo(x, y);
            }
        }
        context.stroke();
    }

    drawSpectrum() {
        const canvas = this.spectrumCanvas;
        const context = canvas.getContext('2d');
        const { width, height } = canvas;
        const nyquist = this.analyser.context.sampleRate / 2;
        this.analyser.getFloatFrequencyData(this.spectrum);
        context.fillStyle = this.colour('--display-background');
        context.fillRect(0, 0, width, height);
        const xOf = (frequency) => (Math.log(frequency / LOWEST_FREQUENCY) / Math.log(nyquist / LOWEST_FREQUENCY)) * width;
        context.strokeStyle = this.colour('--display-grid');
        context.fillStyle = this.colour('--display-grid');
        context.font = '11px sans-serif';
        for (const frequency of [100, 1000, 10000]) {
            const x = xOf(frequency);
            context.beginPath();
            context.moveTo(x, 0);
            context.lineTo(x, height);
            context.stroke();
            context.fillText(frequency >= 1000 ? `${frequency / 1000} kHz` : `${frequency} Hz`, x + 3, height - 4);
        }
        context.strokeStyle = this.colour('--display-trace');
        context.lineWidth = 1.5;
        context.beginPath();
        const binWidth = nyquist / this.spectrum.length;
        let started = false;
        for (let bin = 1; bin < this.spectrum.length; ++bin) {
            const frequency = bin * binWidth;
            if (frequency < LOWEST_FREQUENCY) {
                continue;
            }
            const level = Math.max(FLOOR_DB, Math.min(0, this.spectrum[bin]));
            const x = xOf(frequency);
            const y = (level / FLOOR_DB) * height;
            if (!started) {
                context.moveTo(x, y);
                started = true;
            } else {
                context.lineTo(x, y);
            }
        }
        context.stroke();
    }
}
