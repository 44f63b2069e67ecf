#include "adjust/canvas_paint_gtk.h"

#include "platform/cairo_image_gtk.h"

void PaintImage(cairo_t* cr, const Image& image) {
    cairo_surface_t* surface = ImageToCairoSurface(image);
    if (!surface) return;
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_paint(cr);
    cairo_surface_destroy(surface);
}

void PaintText(cairo_t* cr, int x, int y, const char* text, Rgba colour) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_from_string("Sans 8");
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
    pango_layout_set_text(layout, text, -1);
    cairo_set_source_rgb(cr, colour.r / 255.0, colour.g / 255.0, colour.b / 255.0);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
}
