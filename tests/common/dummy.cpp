// keeps the fixture library non-empty before any fixture exists
