// Sends an ordinary receipt to a printer on 127.0.0.1, made by a third-party ESC/POS encoder:
// text styles, a raster logo, a bit-image logo, a CODE128 bar code and a QR code.
// Usage: node receipt.mjs ENCODER_MODULE_FILE PORT BARCODE QRTEXT
import net from 'node:net';
import { pathToFileURL } from 'node:url';

const [modulePath, port, barcode, qrText] = process.argv.slice(2);
const { default: ReceiptPrinterEncoder } = await import(pathToFileURL(modulePath).href);

// A 96 x 48 logo: a black frame around a checkerboard.
function logo() {
    const width = 96;
    const height = 48;
    const data = new Uint8ClampedArray(width * height * 4);
    for (let y = 0; y < height; y++) {
        for (let x = 0; x < width; x++) {
            const frame = x < 4 || y < 4 || x >= width - 4 || y >= height - 4;
            const black = frame || (Math.floor(x / 8) + Math.floor(y / 8)) % 2 === 0;
            const at = (y * width + x) * 4;
            data.fill(black ? 0 : 255, at, at + 3);
            data[at + 3] = 255;
        }
    }
    return { data, width, height };
}

const encoder = new ReceiptPrinterEncoder({ language: 'esc-pos', columns: 48, imageMode: 'raster' });
const bytes = encoder
    .initialize()
    .codepage('cp858')
    .align('center')
    .image(logo(), 96, 48, 'threshold')
    .size(2, 2)
    .line('CAFÉ VIRTUEL')
    .size(1, 1)
    .line('Rue de l\'Exemple 12')
    .align('left')
    .rule()
    .bold(true)
    .line('Espresso                           2 x 2,50 €')
    .bold(false)
    .underline(true)
    .line('Croissant                              1,80 €')
    .underline(false)
    .invert(true)
    .line(' TOTAL 6,80 € ')
    .invert(false)
    .align('center')
    .barcode(barcode, 'code128', 80)
    .newline()
    .qrcode(qrText, 2, 6, 'm')
    .newline()
    .cut()
    .encode();

const column = new ReceiptPrinterEncoder({ language: 'esc-pos', columns: 48, imageMode: 'column' })
    .image(logo(), 96, 48, 'threshold')
    .line('column logo above')
    .cut()
    .encode();

const socket = net.connect({ host: '127.0.0.1', port: Number(port) }, () => {
    socket.write(Buffer.from(bytes));
    socket.end(Buffer.from(column));
});
socket.on('error', (error) => {
    console.error(error.message);
    process.exit(1);
});
