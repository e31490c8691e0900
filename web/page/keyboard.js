// Playing from the page: the on-screen keyboard (mouse, pen and touch), the
// computer keyboard's two rows and the octave shift. Both call play.noteOn(key)
// and play.noteOff(key); a key held by several fingers or keys sounds until the
// last one lets go.

const NOTE_NAMES = ['C', 'C#', 'D', 'D#', 'E', 'F', 'F#', 'G', 'G#', 'A', 'A#', 'B'];
const BLACK = new Set([1, 3, 6, 8, 10]);

// Physical keys (the same places on any layout) and their semitones above the
// octave's C: the home row plays the white keys, the row above the black ones.
const COMPUTER_KEYS = {
    KeyA: 0, KeyW: 1, KeyS: 2, KeyE: 3, KeyD: 4, KeyF: 5, KeyT: 6, KeyG: 7, KeyY: 8, KeyH: 9, KeyU: 10, KeyJ: 11,
    KeyK: 12, KeyO: 13, KeyL: 14, KeyP: 15, Semicolon: 16, Quote: 17,
};
const COMPUTER_LETTERS = {
    0: 'A', 1: 'W', 2: 'S', 3: 'E', 4: 'D', 5: 'F', 6: 'T', 7: 'G', 8: 'Y', 9: 'H', 10: 'U', 11: 'J',
    12: 'K', 13: 'O', 14: 'L', 15: 'P', 16: ';', 17: "'",
};
const KEYS_SHOWN = 25; // two octaves and the C above
const LOWEST_OCTAVE_START = 24;
const HIGHEST_OCTAVE_START = 96;

export function noteName(key) {
    return `${NOTE_NAMES[key % 12]}${Math.floor(key / 12) - 1}`;
}

export class Keyboard {
    // container: the element the keys go into; play: {noteOn(key), noteOff(key)};
    // onOctave(text) is told the octave's name whenever it changes.
    constructor(container, play, onOctave) {
        this.container = container;
        this.play = play;
        this.onOctave = onOctave;
        this.octaveStart = 60;
        this.holders = new Map(); // key -> set of what holds it (a pointer or a computer key)
        this.computerKeys = new Map(); // code -> key it started
        this.build();
        this.listen();
    }

    build() {
        this.container.replaceChildren();
        this.buttons = new Map();
        for (let offset = 0; offset < KEYS_SHOWN; ++offset) {
            const key = this.octaveStart + offset;
            const button = document.createElement('button');
            button.type = 'button';
            button.className = BLACK.has(key % 12) ? 'key black' : 'key white';
            button.dataset.key = String(key);
            button.setAttribute('aria-label', noteName(key));
            button.setAttribute('aria-pressed', String(this.holders.has(key)));
            const letter = COMPUTER_LETTERS[offset];
            if (letter) {
                button.textContent = letter;
            }
            this.container.append(button);
            this.buttons.set(key, button);
        }
        this.onOctave(noteName(this.octaveStart));
    }

    hold(key, holder) {
        let holders = this.holders.get(key);
        if (!holders) {
            holders = new Set();
            this.holders.set(key, holders);
            this.play.noteOn(key);
            this.buttons.get(key)?.setAttribute('aria-pressed', 'true');
        }
        holders.add(holder);
    }

    release(key, holder) {
        const holders = this.holders.get(key);
        if (!holders || !holders.delete(holder) || holders.size > 0) {
            return;
        }
        this.holders.delete(key);
        this.play.noteOff(key);
        this.buttons.get(key)?.setAttribute('aria-pressed', 'false');
    }

    releaseAll() {
        for (const [key, holders] of [...this.holders]) {
            for (const holder of [...holders]) {
                this.release(key, holder);
            }
        }
        this.computerKeys.clear();
    }

    shiftOctave(octaves) {
        const start = this.octaveStart + 12 * octaves;
        if (start < LOWEST_OCTAVE_START || start > HIGHEST_OCTAVE_START) {
            return;
        }
        this.octaveStart = start;
        this.build();
    }

    listen() {
        const keyOf = (event) => {
            const button = event.target.closest?.('.key');
            return button && this.container.contains(button) ? Number(button.dataset.key) : null;
        };
        // A finger or the mouse holds the key it went down on until it lifts or leaves it.
        this.container.addEventListener('pointerdown', (event) => {
            const key = keyOf(event);
            if (key === null || (event.pointerType === 'mouse' && event.button !== 0)) {
                return;
            }
            event.preventDefault();
            this.hold(key, `pointer ${event.pointerId}`);
        });
        const lift = (event) => {
            const key = keyOf(event);
            if (key !== null) {
                this.release(key, `pointer ${event.pointerId}`);
            }
        };
        for (const type of ['pointerup', 'pointercancel', 'pointerout']) {
            this.container.addEventListener(type, lift);
        }
        // Enter and Space on a focused key play it while held.
        this.container.addEventListener('keydown', (event) => {
            const key = keyOf(event);
            if (key !== null && (event.key === 'Enter' || event.key === ' ')) {
                event.preventDefault();
                if (!event.repeat) {
                    this.hold(key, `focus ${event.key}`);
                }
            }
        });
        this.container.addEventListener('keyup', (event) => {
            const key = keyOf(event);
            if (key !== null && (event.key === 'Enter' || event.key === ' ')) {
                event.preventDefault();
                this.release(key, `focus ${event.key}`);
            }
        });
        document.addEventListener('keydown', (event) => this.computerKeyDown(event));
        document.addEventListener('keyup', (event) => this.computerKeyUp(event));
        window.addEventListener('blur', () => this.releaseAll());
    }

    // The computer keys play wherever the focus is but in a menu or a text field,
    // where letters have a meaning of their own.
    playsFrom(event) {
        const target = event.target;
        if (event.ctrlKey || event.metaKey || event.altKey) {
            return false;
        }
        return !(target instanceof HTMLSelectElement || target instanceof HTMLTextAreaElement ||
            (target instanceof HTMLInputElement && !['range', 'checkbox', 'button'].includes(target.type)));
    }

    computerKeyDown(event) {
        if (!this.playsFrom(event)) {
            return;
        }
        if (event.code === 'KeyZ' || event.code === 'KeyX') {
            event.preventDefault();
            if (!event.repeat) {
                this.releaseAll();
                this.shiftOctave(event.code === 'KeyZ' ? -1 : 1);
            }
            return;
        }
        const offset = COMPUTER_KEYS[event.code];
        if (offset === undefined) {
            return;
        }
        event.preventDefault();
        if (event.repeat || this.computerKeys.has(event.code)) {
            return;
        }
        const key = this.octaveStart + offset;
        this.computerKeys.set(event.code, key);
        this.hold(key, event.code);
    }

    computerKeyUp(event) {
        const key = this.computerKeys.get(event.code);
        if (key !== undefined) {
            this.computerKeys.delete(event.code);
            this.release(key, event.code);
        }
    }
}
