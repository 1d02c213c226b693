-- How well a name's search key matches the text's: 0 the name itself, 1 the name begins
-- with the text, 2 one of its words does, 3 the text is somewhere inside.
CREATE OR REPLACE FUNCTION @SCHEMA@.search_rank(p_name_key text, p_key text, p_pattern text)
RETURNS integer
LANGUAGE sql IMMUTABLE AS $body$
  SELECT CASE WHEN p_name_key = p_key THEN 0
              WHEN p_name_key LIKE p_pattern THEN 1
              WHEN strpos(' ' || translate(p_name_key, '-().,/"«»', '         '), ' ' || p_key) > 0
                THEN 2
              ELSE 3 END
$body$;

-- The LIKE pattern of the names that begin with a search key.
CREATE OR REPLACE FUNCTION @SCHEMA@.search_pattern(p_key text)
RETURNS text
LANGUAGE sql IMMUTABLE AS $body$
  SELECT replace(replace(replace(p_key, '\', '\\'), '%', '\%'), '_', '\_') || '%'
$body$;

-- Whether a text is some place's code: a code finds its place and the names that begin with
-- it, and no scan of every name runs for it.
CREATE OR REPLACE FUNCTION @SCHEMA@.search_is_code(p_text text)
RETURNS boolean
LANGUAGE sql STABLE AS $body$
  SELECT EXISTS (SELECT 1 FROM @SCHEMA@.location_code c
                 WHERE c.code IN (btrim(p_text), upper(btrim(p_text))))
$body$;

-- The places a text finds, a row for each name or code that finds it, with that name's rank
-- (a code ranks 0): names (their own, one per language, or of a place merged into them) that
-- begin with the text (the key `p_key`, `p_pattern` its LIKE pattern) and places with the
-- text as a code come through the indexes; `p_inside` adds names with the text anywhere, a
-- scan of every name.
DROP FUNCTION IF EXISTS @SCHEMA@.search_matches(text, text, text, boolean);
CREATE OR REPLACE FUNCTION @SCHEMA@.search_matches(
  p_text text, p_key text, p_pattern text, p_inside boolean)
RETURNS TABLE (id integer, rank integer)
LANGUAGE sql STABLE AS $body$
  SELECT l.id, @SCHEMA@.search_rank(l.name_key, p_key, p_pattern) FROM @SCHEMA@.location l
  WHERE l.name_key LIKE p_pattern OR (p_inside AND strpos(l.name_key, p_key) > 0)
  UNION ALL
  SELECT o.id_location, @SCHEMA@.search_rank(o.name_key, p_key, p_pattern)
  FROM @SCHEMA@.location_name o
  WHERE o.name_key LIKE p_pattern OR (p_inside AND strpos(o.name_key, p_key) > 0)
  UNION ALL
  SELECT c.id_location, 0 FROM @SCHEMA@.location_code c
  WHERE c.code IN (btrim(p_text), upper(btrim(p_text)))
  UNION ALL
  SELECT r.id_target, @SCHEMA@.search_rank(r.name_key, p_key, p_pattern)
  FROM @SCHEMA@.location_redirect r JOIN @SCHEMA@.location l ON l.id = r.id_target
  WHERE r.name_key LIKE p_pattern OR (p_inside AND strpos(r.name_key, p_key) > 0)
$body$;

-- Places by name (their own or one per language) or by an exact code, best matches first (0
-- the name itself or a code, 1 the name begins with the text, 2 one of its words does, 3 the
-- text is somewhere inside), each group by address path: the captions from the top-level
-- place down, joined by "\".
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.FIND_T#LOCATION"(
  "PTEXT" varchar, "PLIMIT" integer DEFAULT NULL, "PSEPARATOR" varchar DEFAULT NULL)
RETURNS TABLE ("ID" integer, "NAME" varchar, "ABBREV_SNAME" varchar, "ABBREV_NAME" varchar,
               "LEVEL#" integer, "ID_PARENT" integer, "PATH" text, "RANK" integer)
LANGUAGE plpgsql STABLE
-- Compiling the plan of a search to machine code takes longer than the search itself.
SET jit = off
AS $body$
DECLARE
  k text := translate(lower(btrim(coalesce("PTEXT", '')) COLLATE "und-x-icu"), 'ё', 'е');
  n integer := least(greatest(coalesce("PLIMIT", 100), 1), 1000);
  sep text := coalesce("PSEPARATOR", '. ');
  -- A short name that ends in its own full stop takes the separator without one.
  sep_after_stop text := CASE WHEN left(sep, 1) = '.' THEN substr(sep, 2) ELSE sep END;
  v_code text := btrim(coalesce("PTEXT", ''));
  v_lang varchar := @SCHEMA@.name_lang();
  pattern text;
  hits integer[];
  ranks integer[];
  reach integer;
  inside boolean;
  paths jsonb;
BEGIN
  IF k = '' THEN
    RETURN;
  END IF;
  pattern := @SCHEMA@.search_pattern(k);
  -- Names equal to the text come through the index first: when they fill the answer the
  -- others need no rank. The scan for the text inside a name runs only when the names that
  -- begin with it do not fill the answer and the text is no code.
  hits := ARRAY(SELECT l.id FROM @SCHEMA@.location l WHERE l.name_key = k
                UNION SELECT o.id_location FROM @SCHEMA@.location_name o WHERE o.name_key = k
                UNION SELECT r.id_target FROM @SCHEMA@.location_redirect r
                      JOIN @SCHEMA@.location l ON l.id = r.id_target WHERE r.name_key = k
                UNION SELECT c.id_location FROM @SCHEMA@.location_code c
                      WHERE c.code IN (v_code, upper(v_code)));
  ranks := array_fill(0, ARRAY[cardinality(hits)]);
  inside := false;
  WHILE cardinality(hits) < n AND NOT (inside AND @SCHEMA@.search_is_code(v_code)) LOOP
    -- A place's rank is its best name's; ranked first, so that paths are built only for the
    -- groups the answer reaches into (the last of them is cut by path).
    SELECT coalesce(array_agg(r.id ORDER BY r.rank), '{}'),
           coalesce(array_agg(r.rank ORDER BY r.rank), '{}') INTO hits, ranks
    FROM (SELECT m.id, min(m.rank) AS rank
          FROM @SCHEMA@.search_matches(v_code, k, pattern, inside) m GROUP BY m.id) r;
    EXIT WHEN inside;
    inside := true;
  END LOOP;
  IF cardinality(hits) > n THEN
    reach := n;
    WHILE reach < cardinality(hits) AND ranks[reach + 1] = ranks[n] LOOP
      reach := reach + 1;
    END LOOP;
    hits := hits[1:reach];
    ranks := ranks[1:reach];
  END IF;
  -- Hits share their ancestors: each ancestor is read once (one index lookup apiece, whatever
  -- the planner guesses of the set) and its path built once, from the top down; the hits look
  -- their parents' paths up by id.
  SELECT jsonb_object_agg(d.id, d.path) INTO paths FROM (
    WITH RECURSIVE above (id) AS (
      SELECT l.id_parent FROM @SCHEMA@.location l
      WHERE l.id = ANY (hits) AND l.id_parent IS NOT NULL
      UNION
      SELECT p.id_parent
      FROM above CROSS JOIN LATERAL (SELECT l.id_parent FROM @SCHEMA@.location l
                                     WHERE l.id = above.id LIMIT 1) p
      WHERE p.id_parent IS NOT NULL
    ), node AS MATERIALIZED (
      SELECT l.id, l.id_parent,
             CASE WHEN coalesce(a.sname, '') = '' THEN coalesce(nm.name, l.name)::text
                  ELSE a.sname || CASE WHEN right(a.sname, 1) = '.' THEN sep_after_stop ELSE sep END
                       || coalesce(nm.name, l.name) END AS caption
      FROM @SCHEMA@.location l
      JOIN @SCHEMA@.locattype t ON t.id = l.id_locattype
      JOIN @SCHEMA@.locatabbrev a ON a.id = t.id_abbrev
      LEFT JOIN @SCHEMA@.location_name nm ON nm.id_location = l.id AND nm.lang = v_lang
      WHERE l.id IN (SELECT above.id FROM above)
    ), down (id, path, depth) AS (
      SELECT node.id, node.caption, 0 FROM node WHERE node.id_parent IS NULL
      UNION ALL
      SELECT node.id, down.path || '\' || node.caption, down.depth + 1
      FROM down JOIN node ON node.id_parent = down.id
      WHERE down.depth < 10000
    )
    SELECT down.id, down.path FROM down) d;
  RETURN QUERY
  WITH found AS (
    SELECT l.id, coalesce(nm.name, l.name) AS name, a.sname, a.name AS aname, t.level_no,
           l.id_parent,
           coalesce((paths ->> l.id_parent::text) || '\', '') ||
             CASE WHEN coalesce(a.sname, '') = '' THEN coalesce(nm.name, l.name)::text
                  ELSE a.sname || CASE WHEN right(a.sname, 1) = '.' THEN sep_after_stop ELSE sep END
                       || coalesce(nm.name, l.name) END AS path,
           h.rank
    FROM unnest(hits, ranks) AS h (id, rank)
    JOIN @SCHEMA@.location l ON l.id = h.id
    JOIN @SCHEMA@.locattype t ON t.id = l.id_locattype
    JOIN @SCHEMA@.locatabbrev a ON a.id = t.id_abbrev
    LEFT JOIN @SCHEMA@.location_name nm ON nm.id_location = l.id AND nm.lang = v_lang
  )
  SELECT f.id, f.name, f.sname, f.aname, f.level_no, f.id_parent, f.path, f.rank
  FROM found f
  ORDER BY f.rank, f.path COLLATE "C", f.id
  LIMIT n;
END
$body$;

-- How many places a search finds, counted no further than one past the cap: a window whose
-- list is cut says how much more there is without paying for a count of every place.
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.COUNT_T#LOCATION"(
  "PTEXT" varchar, "PCAP" integer DEFAULT NULL)
RETURNS integer
LANGUAGE plpgsql STABLE
SET jit = off
AS $body$
DECLARE
  k text := translate(lower(btrim(coalesce("PTEXT", '')) COLLATE "und-x-icu"), 'ё', 'е');
  cap integer := least(greatest(coalesce("PCAP", 10000), 1), 1000000);
  found integer;
  inside boolean;
BEGIN
  IF k = '' THEN
    RETURN 0;
  END IF;
  -- Known before the count is planned: the scan of every name is left out of a code's plan.
  inside := NOT @SCHEMA@.search_is_code("PTEXT");
  SELECT count(*) INTO found
  FROM (SELECT DISTINCT m.id
        FROM @SCHEMA@.search_matches("PTEXT", k, @SCHEMA@.search_pattern(k), inside) m
        LIMIT cap + 1) c;
  RETURN found;
END
$body$;

-- A window's hits live in a temporary table of its own session: keeping them writes nothing
-- of the schema, so a user who may only read searches too.
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.DEL_T#LOCATION_HITS"("PGUID" varchar)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  removed integer;
BEGIN
  IF to_regclass('pg_temp.search_hits') IS NULL THEN
    CREATE TEMP TABLE search_hits (
      guid varchar(38) NOT NULL,
      hit_no integer NOT NULL,
      id integer NOT NULL,
      name varchar(255),
      abbrev_sname varchar(10),
      abbrev_name varchar(255),
      level_no integer,
      id_parent integer,
      path text,
      hit_rank integer,
      PRIMARY KEY (guid, hit_no)
    );
  END IF;
  DELETE FROM pg_temp.search_hits WHERE guid = "PGUID";
  GET DIAGNOSTICS removed = ROW_COUNT;
  RETURN removed;
END
$body$;

-- The hits of a search kept for a window under its key (the window's earlier hits go).
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.FILL_T#LOCATION_HITS"(
  "PGUID" varchar(38), "PTEXT" varchar, "PLIMIT" integer DEFAULT NULL,
  "PSEPARATOR" varchar DEFAULT NULL)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  added integer;
BEGIN
  PERFORM @SCHEMA@."QXVERPLOCAT.DEL_T#LOCATION_HITS"("PGUID");
  INSERT INTO pg_temp.search_hits (guid, hit_no, id, name, abbrev_sname, abbrev_name, level_no,
                                   id_parent, path, hit_rank)
  SELECT "PGUID", f.n, f."ID", f."NAME", f."ABBREV_SNAME", f."ABBREV_NAME", f."LEVEL#",
         f."ID_PARENT", f."PATH", f."RANK"
  FROM @SCHEMA@."QXVERPLOCAT.FIND_T#LOCATION"("PTEXT", "PLIMIT", "PSEPARATOR")
       WITH ORDINALITY AS f("ID", "NAME", "ABBREV_SNAME", "ABBREV_NAME", "LEVEL#", "ID_PARENT",
                            "PATH", "RANK", n);
  GET DIAGNOSTICS added = ROW_COUNT;
  RETURN added;
END
$body$;
