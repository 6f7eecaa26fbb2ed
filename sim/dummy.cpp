// keeps the library non-empty before any device exists
