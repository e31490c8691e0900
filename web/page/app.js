// The page: play the instrument (on-screen and computer keys, wheels, Web MIDI),
// shape it (the 19 controls with the instrument's own texts, the factory sounds),
// look at its output and render MIDI files. Everything it shows about the
// instrument comes from the engine's C interface through zephyrant.js.
import { Keyboard } from './keyboard.js';
import { Scope } from './scope.js';
import { MidiFileError, Zephyrant, checkMidiFileSize, encodeWav, missingFeatures } from './zephyrant.js';

const $ = (id) => document.getElementById(id);
const SWITCHES = new Set(['Legato', 'PowerChord']);
const BASIC = 'Basic';
const GENERAL_MIDI_DRUMS = 9;

function showMessage(text) {
    $('message').textContent = text;
    $('message').hidden = false;
}

// Nothing to play with: the sections stay but their controls are off.
function disableInstrument() {
    for (const element of document.querySelectorAll('main button, main input, main select')) {
        element.disabled = true;
    }
    $('sound-on').disabled = true;
}

class Page {
    constructor(zephyrant, context, instrument, analyser) {
        this.zephyrant = zephyrant;
        this.context = context;
        this.instrument = instrument;
        this.analyser = analyser;
        this.values = zephyrant.valuesOf();
        this.controls = [];
        this.midiFile = null;
        this.renderUrl = null;
        this.setUpSound();
        this.setUpPlaying();
        this.setUpControls();
        this.setUpSounds();
        this.setUpRender();
        this.scope = new Scope(analyser, $('scope'), $('spectrum'), $('level'));
    }

    // Browsers start audio only after a gesture: any key or click on the page
    // starts it, and the button switches it on and off.
    setUpSound() {
        const button = $('sound-on');
        const show = () => {
            const running = this.context.state === 'running';
            button.textContent = running ? 'Sound is on' : 'Start sound';
            button.setAttribute('aria-pressed', String(running));
        };
        this.context.addEventListener('statechange', show);
        show();
        let switchedOff = false;
        button.addEventListener('click', () => {
            switchedOff = this.context.state === 'running';
            if (switchedOff) {
                this.context.suspend();
            } else {
                this.context.resume();
            }
        });
        const start = (event) => {
            if (event.target !== button && this.context.state === 'suspended' && !switchedOff) {
                this.context.resume();
            }
        };
        document.addEventListener('pointerdown', start, true);
        document.addEventListener('keydown', start, true);
    }

    setUpPlaying() {
        const velocity = $('velocity');
        velocity.addEventListener('input', () => {
            $('velocity-text').value = velocity.value;
        });
        this.keyboard = new Keyboard($('keyboard'), {
            noteOn: (key) => this.instrument.noteOn(key, Number(velocity.value)),
            noteOff: (key) => this.instrument.noteOff(key),
        }, (name) => {
            $('octave-text').value = name;
        });
        $('octave-down').addEventListener('click', () => this.keyboard.shiftOctave(-1));
        $('octave-up').addEventListener('click', () => this.keyboard.shiftOctave(1));

        // The pitch wheel springs back to the centre when let go.
        const pitch = $('pitch-wheel');
        const bend = () => {
            const value = Number(pitch.value) + 8192;
            this.instrument.midi([0xE0, value & 0x7F, value >> 7]);
            const semitones = (Number(pitch.value) / 8192) * 4;
            pitch.setAttribute('aria-valuetext', semitones === 0 ? 'centre' : `${semitones.toFixed(2)} semitones`);
        };
        const centre = () => {
            if (pitch.value !== '0') {
                pitch.value = '0';
                bend();
            }
        };
        pitch.addEventListener('input', bend);
        for (const type of ['pointerup', 'pointercancel', 'keyup', 'blur']) {
            pitch.addEventListener(type, centre);
        }
        const modulation = $('mod-wheel');
        modulation.addEventListener('input', () => this.instrument.controller(1, Number(modulation.value)));

        this.setUpMidiInput();
    }

    // Web MIDI, where the browser offers it: every input's channel messages play
    // the instrument (all channels, as in the plug-ins).
    setUpMidiInput() {
        const button = $('midi-connect');
        const status = $('midi-status');
        if (typeof navigator.requestMIDIAccess !== 'function') {
            button.disabled = true;
            status.textContent = 'This browser offers no Web MIDI; play with the keys above.';
            return;
        }
        button.addEventListener('click', async () => {
            try {
                const access = await navigator.requestMIDIAccess();
                const attach = () => {
                    const names = [];
                    for (const input of access.inputs.values()) {
                        input.onmidimessage = (event) => this.receiveMidi(event.data);
                        names.push(input.name || 'unnamed input');
                    }
                    status.textContent = names.length > 0 ? `MIDI input: ${names.join(', ')}`
                        : 'No MIDI input is connected; plug one in and it plays at once.';
                };
                access.addEventListener('statechange', attach);
                attach();
                button.disabled = true;
            } catch (error) {
                status.textContent = `MIDI input is not available: ${error.message}`;
            }
        });
    }

    receiveMidi(data) {
        const status = data[0];
        if (status >= 0x80 && status < 0xF0 && data.length <= 3) {
            this.instrument.midi(Array.from(data));
        }
    }

    setUpControls() {
        const container = $('controls');
        for (const parameter of this.zephyrant.parameters) {
            const row = document.createElement('div');
            row.className = 'control';
            const id = `parameter-${parameter.index}`;
            const label = document.createElement('label');
            label.htmlFor = id;
            label.textContent = parameter.name;
            const input = document.createElement('input');
            input.id = id;
            input.dataset.parameter = parameter.name;
            const text = document.createElement('output');
            text.id = `${id}-text`;
            text.htmlFor = id;
            const number = document.createElement('span');
            number.className = 'value';
            number.setAttribute('aria-hidden', 'true');
            if (SWITCHES.has(parameter.name)) {
                input.type = 'checkbox';
                input.setAttribute('role', 'switch');
                row.classList.add('switch');
                input.addEventListener('change', () => this.changeValue(parameter.index, input.checked ? 1 : 0));
            } else {
                input.type = 'range';
                input.min = '0';
                input.max = '1';
                input.step = '0.001';
                input.addEventListener('input', () => this.changeValue(parameter.index, input.valueAsNumber));
                input.addEventListener('keydown', (event) => this.stepControl(event, parameter.index));
            }
            row.append(label, input, text, number);
            container.append(row);
            this.controls.push({ input, text, number });
            this.showValue(parameter.index);
        }
    }

    // Arrows move a control by 0.01 (0.001 with Shift), Page Up and Page Down by
    // 0.1, Home and End to its ends.
    stepControl(event, index) {
        const steps = { ArrowUp: 0.01, ArrowRight: 0.01, ArrowDown: -0.01, ArrowLeft: -0.01, PageUp: 0.1, PageDown: -0.1 };
        let value;
        if (event.key in steps) {
            value = this.values[index] + steps[event.key] * (event.shiftKey ? 0.1 : 1);
        } else if (event.key === 'Home' || event.key === 'End') {
            value = event.key === 'Home' ? 0 : 1;
        } else {
            return;
        }
        event.preventDefault();
        this.changeValue(index, Math.min(1, Math.max(0, Math.round(value * 1000) / 1000)));
    }

    changeValue(index, value) {
        this.values[index] = value;
        this.instrument.setValue(index, value);
        this.showValue(index);
    }

    // The control shows the value and the text a host shows for it with its label.
    showValue(index) {
        const { input, text, number } = this.controls[index];
        const value = this.values[index];
        const display = this.zephyrant.displayText(index, value);
        const shown = display === '' ? '' : `${display} ${this.zephyrant.parameters[index].label}`.trim();
        if (input.type === 'checkbox') {
            input.checked = value === 1;
            text.value = shown;
        } else {
            input.value = String(value);
            text.value = shown;
            number.textContent = value.toFixed(3);
            input.setAttribute('aria-valuetext', shown === '' ? value.toFixed(3) : shown);
        }
    }

    setUpSounds() {
        const menu = $('sound');
        for (const name of [BASIC, ...this.zephyrant.sounds.map((sound) => sound.name)]) {
            menu.append(new Option(name, name));
        }
        menu.addEventListener('change', () => this.chooseSound(menu.value));
        $('reset').addEventListener('click', () => {
            menu.value = BASIC;
            this.chooseSound(BASIC);
        });
    }

    // A factory sound, or "Basic", sets every control and the instrument.
    chooseSound(name) {
        this.values = name === BASIC ? this.zephyrant.valuesOf() : this.zephyrant.valuesOf({ sound: name });
        this.values.forEach((value, index) => {
            this.instrument.setValue(index, value);
            this.showValue(index);
        });
        $('sound-description').textContent = name === BASIC ? 'The instrument as it starts' : this.zephyrant.sound(name).description;
    }

    setUpRender() {
        $('midi-file').addEventListener('change', async (event) => {
            const file = event.target.files[0];
            if (!file) {
                return;
            }
            // Too large a file is refused before it is read, as the renderer refuses it.
            try {
                checkMidiFileSize(file.size);
            } catch (error) {
                this.refuseMidiFile(`${file.name}: ${error.message}`);
                return;
            }
            this.chooseMidiFile(file.name, new Uint8Array(await file.arrayBuffer()));
        });
        $('use-example').addEventListener('click', async () => {
            const response = await fetch('demo.mid');
            this.chooseMidiFile('demo.mid', new Uint8Array(await response.arrayBuffer()));
        });
        $('render-rate').addEventListener('change', () => {
            if (this.midiFile) {
                this.chooseMidiFile(this.midiFile.name, this.midiFile.bytes);
            }
        });
        $('render-button').addEventListener('click', () => this.render());
    }

    refuseMidiFile(message) {
        this.midiFile = null;
        $('render-button').disabled = true;
        $('render-status').textContent = '';
        $('render-error').textContent = message;
        $('render-error').hidden = false;
        this.clearRender();
    }

    clearRender() {
        $('render-result').hidden = true;
        if (this.renderUrl) {
            URL.revokeObjectURL(this.renderUrl);
            this.renderUrl = null;
        }
        $('render-audio').removeAttribute('src');
        $('render-download').href = '#';
    }

    // Reads the file as the renderer does and says what a render of it will be.
    chooseMidiFile(name, bytes) {
        const rate = Number($('render-rate').value);
        let schedule;
        try {
            schedule = this.zephyrant.scheduleMidiFile(bytes, rate);
        } catch (error) {
            this.refuseMidiFile(error instanceof MidiFileError ? `${name}: ${error.message}` : error.message);
            return;
        }
        this.midiFile = { name, bytes };
        $('render-error').hidden = true;
        $('render-button').disabled = false;
        const seconds = (schedule.endFrame / rate + 2).toFixed(2);
        const channels = [];
        for (let channel = 0; channel < 16; ++channel) {
            if (schedule.noteChannels & (1 << channel)) {
                channels.push(`${channel + 1}${channel === GENERAL_MIDI_DRUMS ? ' (General MIDI drums)' : ''}`);
            }
        }
        let notes;
        if (channels.length === 0) {
            notes = `no notes; the render is ${seconds} s of silence`;
        } else if (channels.length === 1) {
            notes = `notes on channel ${channels[0]}`;
        } else {
            notes = `notes on channels ${channels.slice(0, -1).join(', ')} and ${channels.at(-1)} all play the one voice`;
        }
        $('render-status').textContent = `${name}: ${seconds} s at ${rate} Hz, ${notes}. Ready to render.`;
        this.clearRender();
    }

    async render() {
        const { name, bytes } = this.midiFile;
        const rate = Number($('render-rate').value);
        const button = $('render-button');
        const progress = $('render-progress');
        // The file and the rate stay as they are until the render is done.
        const choices = [button, $('midi-file'), $('use-example'), $('render-rate')];
        choices.forEach((choice) => {
            choice.disabled = true;
        });
        progress.hidden = false;
        progress.value = 0;
        $('render-status').textContent = `Rendering ${name}...`;
        this.clearRender();
        try {
            const { left, right } = await this.zephyrant.renderOffline({
                midiFile: bytes, sampleRate: rate, values: [...this.values],
                onProgress: (fraction) => {
                    progress.value = fraction;
                },
            });
            this.renderUrl = URL.createObjectURL(new Blob([encodeWav(left, right, rate)], { type: 'audio/wav' }));
            let peak = 0;
            for (const channel of [left, right]) {
                for (const sample of channel) {
                    peak = Math.max(peak, Math.abs(sample));
                }
            }
            $('render-audio').src = this.renderUrl;
            const link = $('render-download');
            link.href = this.renderUrl;
            link.download = `${name.replace(/\.(mid|midi|smf|kar)$/i, '')}.wav`;
            $('render-result').hidden = false;
            const level = peak > 0 ? `${(20 * Math.log10(peak)).toFixed(1)} dBFS` : 'silent';
            $('render-status').textContent = `${name}: ${(left.length / rate).toFixed(2)} s at ${rate} Hz rendered, peak ${level}.`;
        } catch (error) {
            this.refuseMidiFile(error instanceof MidiFileError ? `${name}: ${error.message}` : `The render failed: ${error.message}`);
        } finally {
            progress.hidden = true;
            choices.forEach((choice) => {
                choice.disabled = false;
            });
            button.disabled = this.midiFile === null;
        }
    }
}

async function start() {
    const missing = missingFeatures();
    if (missing !== '') {
        showMessage(missing);
        disableInstrument();
        return;
    }
    try {
        const zephyrant = await Zephyrant.load();
        const context = new AudioContext({ latencyHint: 'interactive' });
        const instrument = await zephyrant.createInstrument(context);
        const analyser = new AnalyserNode(context, { fftSize: 4096, smoothingTimeConstant: 0.5 });
        instrument.connect(context.destination);
        instrument.connect(analyser);
        // For tests and for the curious, from the browser's console.
        window.zephyrantPage = new Page(zephyrant, context, instrument, analyser);
        $('instrument').setAttribute('aria-busy', 'false');
        document.body.dataset.ready = 'true';
    } catch (error) {
        showMessage(`Zephyrant could not start: ${error.message}`);
        disableInstrument();
    }
}

start();
