"""The virtual camera's test pattern read back from the screen: the picture
is found as the part of the preview that is not its background, and the
frame counter decoded from its top band (34 blocks: white, black, then the
counter's 32 bits from the highest; the footer is black on the left half,
white on the right, so an upside-down picture does not decode)."""

BLOCKS = 34


def is_background(pixel):
    r, g, b = pixel
    return r < 40 and 96 < g < 160 and 96 < b < 160


def picture_rect(screen, preview):
    """The picture's (left, top, width, height) on the screen inside the
    preview's screen rectangle, or None when the preview shows no picture."""
    left, top, width, height = preview
    cx, cy = left + width // 2, top + height // 2
    if is_background(screen.at(cx, cy)):
        return None
    x0 = cx
    while x0 > left and not is_background(screen.at(x0 - 1, cy)):
        x0 -= 1
    x1 = cx
    while x1 < left + width - 1 and not is_background(screen.at(x1 + 1, cy)):
        x1 += 1
    y0 = cy
    while y0 > top and not is_background(screen.at(cx, y0 - 1)):
        y0 -= 1
    y1 = cy
    while y1 < top + height - 1 and not is_background(screen.at(cx, y1 + 1)):
        y1 += 1
    return x0, y0, x1 - x0 + 1, y1 - y0 + 1


def decode_counter(screen, rect):
    """The counter painted into the picture at `rect`, or None."""
    if rect is None:
        return None
    x0, y0, width, height = rect
    block = width / BLOCKS
    band = height / 16
    if block < 2 or band < 2:
        return None
    row = int(y0 + band / 2)
    footer = int(y0 + height - band / 2)

    def bright(index):
        return screen.bright(int(x0 + (index + 0.5) * block), row)

    if not bright(0) or bright(1):
        return None
    if screen.bright(int(x0 + width / 4), footer) or not screen.bright(int(x0 + width * 3 / 4), footer):
        return None
    counter = 0
    for index in range(2, BLOCKS):
        counter = (counter << 1) | (1 if bright(index) else 0)
    return counter
