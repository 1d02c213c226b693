-- A user's own places, namesakes among siblings, and the merge of a place into another one.

-- Starred first by name, then the last chosen, the latest first; a deleted place is gone.
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.GET_USER_PLACES"()
RETURNS TABLE ("ID" integer, "NAME" varchar, "ABBREV_SNAME" varchar, "ABBREV_ID" integer,
               "LEVEL#" integer, "ID_PARENT" integer, "STARRED" integer)
LANGUAGE sql STABLE AS $body$
  SELECT l.id, coalesce(n.name, l.name), a.sname, a.id, t.level_no, l.id_parent, u.starred
  FROM @SCHEMA@.user_place u
  JOIN @SCHEMA@.location l ON l.id = u.id_location
  JOIN @SCHEMA@.locattype t ON t.id = l.id_locattype
  JOIN @SCHEMA@.locatabbrev a ON a.id = t.id_abbrev
  LEFT JOIN @SCHEMA@.location_name n ON n.id_location = l.id AND n.lang = @SCHEMA@.name_lang()
  WHERE u.user_name = upper(session_user::text)
  ORDER BY u.starred DESC, CASE WHEN u.starred = 1 THEN coalesce(n.name, l.name) END COLLATE "C",
           u.chosen_seq DESC, l.id
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@.user_place_drop_unused()
RETURNS void
LANGUAGE sql AS $body$
  DELETE FROM @SCHEMA@.user_place
  WHERE user_name = upper(session_user::text) AND starred = 0 AND chosen_seq IS NULL
$body$;

-- The user chose a place: it heads the last chosen, of which twenty are kept.
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.SAVE_CHOSEN_PLACE"("PID" integer)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  v_user varchar := upper(session_user::text);
BEGIN
  "PID" := @SCHEMA@.place("PID");
  IF NOT EXISTS (SELECT 1 FROM @SCHEMA@.location WHERE id = "PID") THEN
    RETURN -1;
  END IF;
  PERFORM pg_advisory_xact_lock(hashtext('qxv.user_place.' || v_user));
  INSERT INTO @SCHEMA@.user_place (user_name, id_location, chosen_seq)
  VALUES (v_user, "PID", (SELECT coalesce(max(chosen_seq), 0) + 1 FROM @SCHEMA@.user_place
                          WHERE user_name = v_user))
  ON CONFLICT (user_name, id_location) DO UPDATE SET chosen_seq = excluded.chosen_seq;
  UPDATE @SCHEMA@.user_place SET chosen_seq = NULL
  WHERE user_name = v_user
    AND chosen_seq <= (SELECT chosen_seq FROM @SCHEMA@.user_place
                       WHERE user_name = v_user AND chosen_seq IS NOT NULL
                       ORDER BY chosen_seq DESC OFFSET 20 LIMIT 1);
  PERFORM @SCHEMA@.user_place_drop_unused();
  RETURN 1;
END
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.SET_PLACE_STAR"("PID" integer, "PSTARRED" integer)
RETURNS integer
LANGUAGE plpgsql AS $body$
BEGIN
  "PID" := @SCHEMA@.place("PID");
  IF NOT EXISTS (SELECT 1 FROM @SCHEMA@.location WHERE id = "PID") THEN
    RETURN -1;
  END IF;
  INSERT INTO @SCHEMA@.user_place (user_name, id_location, starred)
  VALUES (upper(session_user::text), "PID", CASE WHEN coalesce("PSTARRED", 0) <> 0 THEN 1 ELSE 0 END)
  ON CONFLICT (user_name, id_location) DO UPDATE SET starred = excluded.starred;
  PERFORM @SCHEMA@.user_place_drop_unused();
  RETURN 1;
END
$body$;

-- The places under PID_PARENT (the top for none) named as PNAME is (as PID is for none), but
-- for PID itself.
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.GET_PLACE_NAMESAKES"("PID_PARENT" integer, "PNAME" varchar,
                                                                    "PID" integer)
RETURNS TABLE ("ID" integer, "NAME" varchar, "ABBREV_SNAME" varchar)
LANGUAGE sql STABLE AS $body$
  SELECT l.id, l.name, a.sname
  FROM @SCHEMA@.location l
  JOIN @SCHEMA@.locattype t ON t.id = l.id_locattype
  JOIN @SCHEMA@.locatabbrev a ON a.id = t.id_abbrev
  WHERE l.id_parent IS NOT DISTINCT FROM CASE WHEN "PID_PARENT" < 1 THEN NULL
                                              ELSE @SCHEMA@.place("PID_PARENT") END
    AND l.id IS DISTINCT FROM @SCHEMA@.place("PID")
    AND @SCHEMA@.namesake_key(l.name) = @SCHEMA@.namesake_key(coalesce("PNAME",
          (SELECT m.name FROM @SCHEMA@.location m WHERE m.id = @SCHEMA@.place("PID"))))
  ORDER BY l.id
$body$;

-- Merges PID into PID_TARGET, a place of the same level outside PID's subtree: its children,
-- information items, codes, names in languages the survivor has none in, and its users'
-- stars and choices go to the survivor, and its id stands for the survivor from then on, its
-- name too: the search and the suggestions find the survivor by it.
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.MERGE_T#LOCATION"("PID" integer, "PID_TARGET" integer,
                                                                 "PVERSION" integer DEFAULT NULL)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  v_id integer := @SCHEMA@.place("PID");
  v_target integer := @SCHEMA@.place("PID_TARGET");
  v_level integer;
  v_journal jsonb;
BEGIN
  PERFORM @SCHEMA@.require_right(ARRAY[3]);
  PERFORM @SCHEMA@.require_right(ARRAY[4]);
  IF NOT @SCHEMA@.location_lock_tree() THEN
    RETURN -1;
  END IF;
  v_level := @SCHEMA@.location_level(v_id);
  IF v_level IS NULL OR v_target IS NULL THEN
    RETURN -1;
  END IF;
  PERFORM @SCHEMA@.location_require_version(v_id, "PVERSION");
  IF v_id = v_target THEN
    RAISE EXCEPTION 'ORA-20004: %', 'Местоположение нельзя объединить с самим собой';
  END IF;
  IF @SCHEMA@.location_level(v_target) IS NULL THEN
    RETURN -1;
  END IF;
  IF @SCHEMA@.location_is_in_subtree(v_target, v_id) THEN
    RAISE EXCEPTION 'ORA-20004: %', 'Местоположение нельзя объединить с подчинённым ему';
  END IF;
  IF @SCHEMA@.location_level(v_target) <> v_level THEN
    RAISE EXCEPTION 'ORA-20004: %', 'Объединять можно только местоположения одного уровня';
  END IF;
  -- The journal: the items that change place, the children that move, the survivor that
  -- takes the codes and names, and the place that goes.
  v_journal := @SCHEMA@.journal_open('ITEM', 'EDIT', ARRAY(
                 SELECT id FROM @SCHEMA@.information WHERE objtype = 1 AND objid = v_id ORDER BY id))
            || @SCHEMA@.journal_open('PLACE', 'MOVE', ARRAY(
                 SELECT id FROM @SCHEMA@.location WHERE id_parent = v_id ORDER BY id))
            || @SCHEMA@.journal_open('PLACE', 'EDIT', ARRAY[v_target])
            || @SCHEMA@.journal_open('PLACE', 'DELETE', ARRAY[v_id]);
  UPDATE @SCHEMA@.location SET id_parent = v_target WHERE id_parent = v_id;
  UPDATE @SCHEMA@.information SET objid = v_target WHERE objtype = 1 AND objid = v_id;
  INSERT INTO @SCHEMA@.location_code (id_location, kind, code)
    SELECT v_target, kind, code FROM @SCHEMA@.location_code WHERE id_location = v_id
  ON CONFLICT DO NOTHING;
  INSERT INTO @SCHEMA@.location_name (id_location, lang, name)
    SELECT v_target, lang, name FROM @SCHEMA@.location_name WHERE id_location = v_id
  ON CONFLICT DO NOTHING;
  UPDATE @SCHEMA@.user_place SET starred = 1
  WHERE id_location = v_target
    AND user_name IN (SELECT user_name FROM @SCHEMA@.user_place WHERE id_location = v_id AND starred = 1);
  INSERT INTO @SCHEMA@.user_place (user_name, id_location, starred, chosen_seq)
    SELECT user_name, v_target, starred, chosen_seq FROM @SCHEMA@.user_place WHERE id_location = v_id
  ON CONFLICT DO NOTHING;
  UPDATE @SCHEMA@.location_redirect SET id_target = v_target WHERE id_target = v_id;
  INSERT INTO @SCHEMA@.location_redirect (id, id_target, name, name_key)
    SELECT v_id, v_target, name, name_key FROM @SCHEMA@.location WHERE id = v_id;
  UPDATE @SCHEMA@.location SET name = name WHERE id = v_target;  -- a new version
  DELETE FROM @SCHEMA@.location WHERE id = v_id;
  PERFORM @SCHEMA@.journal_close(v_journal);
  RETURN 1;
END
$body$;
